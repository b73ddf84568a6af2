# SPDX-License-Identifier: Apache-2.0
# Installation rules and packaging.
#
# Three components:
#   runtime  the program, the batch script and the manual page
#   dev      the static library, its public header and the CMake package
#            (find_package(pagecut) and pagecut::pagecut)
#   python   the Python module, when it is built (cmake/python.cmake)
# `cmake --install` installs them all; `cpack -G DEB` makes one Debian package
# of each: pagecut_VERSION_ARCH.deb, pagecut-dev_VERSION_ARCH.deb and
# python3-pagecut_VERSION_ARCH.deb.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PAGECUT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pagecut)

# --- runtime ---------------------------------------------------------------

install(TARGETS pagecut RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/pagecut-batch
    DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)

# Manual pages are installed compressed, as Debian expects them, with the
# version and release date filled in.
find_program(PAGECUT_GZIP gzip)
if(NOT PAGECUT_GZIP)
    message(FATAL_ERROR "gzip is needed to install the manual pages")
endif()
# Configures TEMPLATE into the build folder as NAME and compresses it
# reproducibly (no name or time stamp in the gzip header) into NAME.gz. A
# fourth argument COPYONLY copies TEMPLATE as it is.
function(pagecut_gzipped_file template name target)
    set(mode @ONLY)
    if(ARGN)
        set(mode ${ARGN})
    endif()
    configure_file(${template} ${PROJECT_BINARY_DIR}/${name} ${mode})
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${name}.gz
        COMMAND ${PAGECUT_GZIP} -9 -n -c ${PROJECT_BINARY_DIR}/${name} > ${name}.gz
        DEPENDS ${PROJECT_BINARY_DIR}/${name}
        WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
        COMMENT "Compressing ${name}")
    add_custom_target(${target} ALL DEPENDS ${PROJECT_BINARY_DIR}/${name}.gz)
endfunction()

set(PAGECUT_VERSION ${PROJECT_VERSION})
pagecut_gzipped_file(${PROJECT_SOURCE_DIR}/doc/pagecut.1 man/pagecut.1 pagecut_man)
pagecut_gzipped_file(${PROJECT_SOURCE_DIR}/doc/pagecut-batch.1 man/pagecut-batch.1
    pagecut_batch_man)
install(FILES ${PROJECT_BINARY_DIR}/man/pagecut.1.gz ${PROJECT_BINARY_DIR}/man/pagecut-batch.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)

# --- python: the module, in Debian's dist-packages under the prefix -----------

if(PAGECUT_PYTHON_MODULE)
    install(TARGETS pagecut_python LIBRARY DESTINATION ${PAGECUT_PYTHON_INSTALL_DIR}
        COMPONENT python)
endif()

# --- dev: library, header, CMake package -----------------------------------

# The library is static, so its exported target lists OpenCV core (public) and
# imgproc (link only) among its link dependencies; pagecutConfig.cmake finds
# OpenCV for the consumer before loading the target.
install(TARGETS pagecut_lib EXPORT pagecutTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
# Only the public header: everything else under the source tree is internal.
install(FILES ${PROJECT_SOURCE_DIR}/include/pagecut/pagecut.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pagecut COMPONENT dev)
install(EXPORT pagecutTargets NAMESPACE pagecut:: DESTINATION ${PAGECUT_CMAKE_DIR}
    COMPONENT dev)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/pagecutConfig.cmake.in
    ${PROJECT_BINARY_DIR}/pagecutConfig.cmake INSTALL_DESTINATION ${PAGECUT_CMAKE_DIR})
# Before 1.0 a new minor version may change the API.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/pagecutConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/pagecutConfig.cmake
    ${PROJECT_BINARY_DIR}/pagecutConfigVersion.cmake
    DESTINATION ${PAGECUT_CMAKE_DIR} COMPONENT dev)

# --- Debian packages ---------------------------------------------------------

# The Maintainer field, the copyright file's contact and the Debian changelog's
# signature. Set it when configuring a package build, or through the usual
# DEBFULLNAME and DEBEMAIL; the default is the address the project's own
# commits carry.
set(pagecut_default_contact "pagecut maintainers <maintainers@users.noreply.c-seed-a06cc209.example>")
if(DEFINED ENV{DEBEMAIL} AND DEFINED ENV{DEBFULLNAME})
    set(pagecut_default_contact "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
endif()
set(PAGECUT_PACKAGE_CONTACT "${pagecut_default_contact}"
    CACHE STRING "Maintainer of the Debian packages, as Name <address>")

# Each package carries the licence (a machine-readable copyright file), a
# Debian changelog of this version and the project's CHANGELOG.md, which that
# changelog points to, in its own documentation folder.
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${PROJECT_BINARY_DIR}/copyright
    @ONLY)
execute_process(COMMAND date -u -R -d "${PAGECUT_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE PAGECUT_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
pagecut_gzipped_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in changelog
    pagecut_debian_changelog)
pagecut_gzipped_file(${PROJECT_SOURCE_DIR}/CHANGELOG.md CHANGELOG.md pagecut_changelog COPYONLY)
set(pagecut_doc_components runtime dev)
if(PAGECUT_PYTHON_MODULE)
    list(APPEND pagecut_doc_components python)
endif()
foreach(component ${pagecut_doc_components})
    set(package pagecut)
    if(component STREQUAL dev)
        set(package pagecut-dev)
    elseif(component STREQUAL python)
        set(package python3-pagecut)
    endif()
    install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        ${PROJECT_BINARY_DIR}/CHANGELOG.md.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME pagecut)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PAGECUT_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# Each component's description starts with its own one-line summary.

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME pagecut)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "divides a page image into text blocks in reading order\n\
pagecut divides the printed content of a page image into rectangular text\n\
blocks and lists them in reading order, one line per block, with an\n\
annotated copy of the page on request. pagecut-batch runs it over folders\n\
of pages on all cores, and with GNU parallel also on other machines.")
# Only those runs of the batch script need GNU parallel (its options -- and
# --sshloginfile); pagecut itself and the batch's own workers do not.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS parallel)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME pagecut-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "library for C++ (static) and CMake package of pagecut\n\
The pagecut::cutPage function divides a page image held in a cv::Mat into\n\
text blocks in reading order, with the results of the pagecut program.\n\
Use it with find_package(pagecut) and the target pagecut::pagecut.")
# OpenCVConfig.cmake, which pagecutConfig.cmake loads, comes with libopencv-dev.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libopencv-dev")

# The module is built for one Python version (its file name carries the ABI
# tag); it needs numpy only for the arrays it is given, but every caller has them.
if(PAGECUT_PYTHON_MODULE)
    list(APPEND CPACK_COMPONENTS_ALL python)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-pagecut)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    set(CPACK_COMPONENT_PYTHON_DESCRIPTION
        "Python module of pagecut: page images into text blocks\n\
pagecut.cut() divides a page held in a numpy array, and pagecut.cut_file()\n\
an image file, into rectangular text blocks in reading order, with the\n\
results of the pagecut program. The GIL is released while a page is divided.")
    math(EXPR pagecut_python_next "${Python_VERSION_MINOR} + 1")
    set(pagecut_python_depends "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}~), \
python3 (<< ${Python_VERSION_MAJOR}.${pagecut_python_next}), python3-numpy")
endif()

# The dependencies of the program and of the module on shared libraries
# (OpenCV's, the C and C++ runtimes) are read off the binaries by
# dpkg-shlibdeps (package dpkg-dev).
find_program(PAGECUT_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(pagecut_opencv_depends
    "libopencv-core406, libopencv-imgproc406, libopencv-imgcodecs406, libstdc++6, libc6")
if(PAGECUT_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${pagecut_python_depends}")
else()
    message(STATUS "dpkg-shlibdeps not found: the Debian packages list Debian 12's "
                   "OpenCV libraries by name")
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${pagecut_opencv_depends}")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "${pagecut_python_depends}, ${pagecut_opencv_depends}")
endif()

include(CPack)

if(PAGECUT_TESTS)
    include(${PROJECT_SOURCE_DIR}/tests/packaging.cmake)
endif()
