# The Windows build keeps each program's and DLL's DWARF in a file beside it (NAME.debug,
# which gdb and addr2line find through the binary's debug link), so that the binaries
# built are as lean as the ones released. Wine reads a MinGW binary into memory whole when
# it loads it, debug sections included (their file alignment is below a page, so nothing
# can be mapped): the plug-in's 4.5 MB of DWARF made every process that loads it 7 MB
# larger. Every link of the build ends with the split.
foreach(lang C CXX)
    foreach(rule LINK_EXECUTABLE CREATE_SHARED_LIBRARY CREATE_SHARED_MODULE)
        list(APPEND CMAKE_${lang}_${rule}
             "${CMAKE_OBJCOPY} --only-keep-debug <TARGET> <TARGET>.debug"
             "${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=<TARGET>.debug <TARGET>")
    endforeach()
endforeach()
