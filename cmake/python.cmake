# SPDX-License-Identifier: Apache-2.0
# Python: the interpreter of the Python-driven tests and the module `pagecut`
# (python/pagecut_module.cpp, built with pybind11).
#
# PAGECUT_PYTHON  ON    the module is built; pybind11 and Python's headers are required
#                 AUTO  it is built when they are found (the default), except in the
#                       sanitizer build, whose runtime a plain python3 cannot load
#                 OFF   it is not built
#
# Debian's python3 is the one used unless Python_EXECUTABLE says otherwise: the
# module is installed into Debian's dist-packages, and numpy, pytest and dask
# come from Debian packages, which another python3 earlier on the PATH (a
# pyenv or virtual environment) does not see.

set(PAGECUT_PYTHON AUTO CACHE STRING "Build the Python module: ON, OFF or AUTO")
set_property(CACHE PAGECUT_PYTHON PROPERTY STRINGS AUTO ON OFF)
if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python interpreter")
endif()

set(PAGECUT_PYTHON_MODULE OFF)
if(PAGECUT_PYTHON STREQUAL "ON" OR (PAGECUT_PYTHON STREQUAL "AUTO" AND NOT PAGECUT_SANITIZE))
    set(PYBIND11_FINDPYTHON ON)
    if(PAGECUT_PYTHON STREQUAL "ON")
        find_package(pybind11 CONFIG REQUIRED)
    else()
        find_package(pybind11 CONFIG QUIET)
    endif()
    set(PAGECUT_PYTHON_MODULE ${pybind11_FOUND})
endif()
if(NOT PAGECUT_PYTHON_MODULE)
    find_package(Python COMPONENTS Interpreter)
    return()
endif()

# The module reads files as the program does (formats/image_io.cpp, whose
# writer needs formats/atomic_file.cpp) and divides
# pages with the library; it is built into build/python/ so that tests and
# users can put that folder on PYTHONPATH.
# NO_EXTRAS: no link-time optimisation, whose whole-program view gives g++ 12
# false warnings; the Debian package strips the module as it strips the program.
pybind11_add_module(pagecut_python NO_EXTRAS python/pagecut_module.cpp formats/image_io.cpp
    formats/atomic_file.cpp)
set_target_properties(pagecut_python PROPERTIES OUTPUT_NAME pagecut
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/python)
target_include_directories(pagecut_python PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(pagecut_python PRIVATE pagecut_lib opencv_imgproc opencv_imgcodecs)
target_compile_definitions(pagecut_python PRIVATE PAGECUT_VERSION="${PROJECT_VERSION}")

# Debian's place for modules of every python3 version, under the prefix:
# /usr/lib/python3/dist-packages in the Debian package.
set(PAGECUT_PYTHON_INSTALL_DIR lib/python3/dist-packages
    CACHE STRING "Where the Python module is installed, relative to the prefix")
