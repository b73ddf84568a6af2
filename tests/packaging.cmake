# SPDX-License-Identifier: Apache-2.0
# Tests of the installation, the packages and the batch script: shell scripts
# run by CTest (included from cmake/install.cmake).
find_program(PAGECUT_BASH bash)
if(NOT PAGECUT_BASH)
    message(FATAL_ERROR "bash is needed by the packaging and batch tests")
endif()

foreach(part consumer man_page debian_package)
    add_test(NAME install.${part}
        COMMAND ${PAGECUT_BASH} ${PROJECT_SOURCE_DIR}/tests/install_test.sh ${part}
            ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR} $<IF:$<BOOL:${PAGECUT_SANITIZE}>,ON,OFF>
            ${CMAKE_CXX_COMPILER} ${PROJECT_VERSION}
            $<IF:$<BOOL:${PAGECUT_PYTHON_MODULE}>,${Python_EXECUTABLE},none>)
    # 77: skipped (the Debian packages in the sanitizer build).
    set_tests_properties(install.${part} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()

add_test(NAME batch.runs
    COMMAND ${PAGECUT_BASH} ${PROJECT_SOURCE_DIR}/tests/batch_test.sh
        ${PROJECT_SOURCE_DIR}/scripts/pagecut-batch $<TARGET_FILE:pagecut>
        $<TARGET_FILE:make-sample-page>)
