# Installs the build into a fresh prefix and runs the installed jxl-import there without
# --plugin: it must find the plug-in in its own lib/jxl-import folder and import the
# example with the expected calls.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPREFIX=... -P installed_layout_test.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
if(EXISTS ${PREFIX}/bin/libjxlimport.so OR NOT EXISTS ${PREFIX}/lib/jxl-import/libjxlimport.so)
    message(FATAL_ERROR "the plug-in library is not installed in lib/jxl-import alone")
endif()
execute_process(COMMAND ${PREFIX}/bin/jxl-import --format calls examples/typical.jxl
                WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE trace ERROR_VARIABLE errors RESULT_VARIABLE status)
file(READ ${SOURCE_DIR}/tests/expected/typical.calls expected)
file(REMOVE_RECURSE ${PREFIX})
if(NOT status EQUAL 0 OR NOT trace STREQUAL expected)
    message(FATAL_ERROR "installed jxl-import: exit status ${status}\n${errors}\n${trace}")
endif()
