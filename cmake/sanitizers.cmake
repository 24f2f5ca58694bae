# JXL_SANITIZE, set by the `asan`, `tsan` and `fuzz` presets: clang's AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer on everything, and for `fuzzer` libFuzzer's
# coverage instrumentation as well (the fuzzer itself is linked into the fuzz targets only);
# or ThreadSanitizer, for the test in which two host threads import at once.
set(JXL_SANITIZE "" CACHE STRING "Sanitizers: empty, address, thread or fuzzer")
set_property(CACHE JXL_SANITIZE PROPERTY STRINGS "" address thread fuzzer)

if(JXL_SANITIZE STREQUAL "")
    return()
elseif(JXL_SANITIZE STREQUAL "address")
    set(checks address,undefined)
elseif(JXL_SANITIZE STREQUAL "fuzzer")
    set(checks fuzzer-no-link,address,undefined)
elseif(JXL_SANITIZE STREQUAL "thread")
    set(checks thread)
else()
    message(FATAL_ERROR "JXL_SANITIZE is address, thread, fuzzer or empty, not '${JXL_SANITIZE}'")
endif()

# vptr needs run-time type information across the host boundary, which the host's
# interfaces do not promise.
add_compile_options(-fsanitize=${checks} -fno-sanitize=vptr -fno-sanitize-recover=all -fno-omit-frame-pointer)
if(JXL_SANITIZE STREQUAL "thread")
    add_link_options(-fsanitize=thread)
else()
    add_link_options(-fsanitize=address,undefined)
endif()
# The sanitizers' C++ runtime comes with the executable, also a C one that loads the
# plug-in; a shared library is left with those symbols undefined (no --no-undefined).
add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-fsanitize-link-c++-runtime;-lstdc++>")
