# The differential target: the plug-in and the reference library (the reader in its
# plainest form, cmake/reference_reader.cmake), both loaded as a host loads them, must
# give the same calls for every input. Its replay runs the corpus as the ctest test
# fuzz_differential; its fuzzer is built beside jxl_fuzz, where the instrumentation is.
include(${PROJECT_SOURCE_DIR}/cmake/reference_reader.cmake)
jxl_add_reference_plugin()

add_library(jxl_differential_target OBJECT differential_target.cpp)
target_link_libraries(jxl_differential_target PUBLIC jxl_host)

add_executable(jxl_fuzz_differential_replay replay_main.cpp)
target_link_libraries(jxl_fuzz_differential_replay PRIVATE jxl_differential_target)
add_dependencies(jxl_fuzz_differential_replay jxlimport jxlimport_reference)  # loaded, not linked
if(BUILD_TESTING)
    add_test(NAME fuzz_differential COMMAND jxl_fuzz_differential_replay ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
endif()

