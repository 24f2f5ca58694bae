# Each folder's headers are included as "folder/file.h", and only the folder's own targets
# and the targets that link them can find them: every folder gets an include root of its
# own in the build tree holding nothing but a link to the folder. A target sees its own
# folder and the folders of what it links, so an include against the layers fails to
# build. scripts/check-layers checks the same from the sources.
function(jxl_layer target)
    cmake_path(GET CMAKE_CURRENT_SOURCE_DIR FILENAME folder)
    set(root ${CMAKE_BINARY_DIR}/layers/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    elseif(type STREQUAL "EXECUTABLE")
        target_include_directories(${target} PRIVATE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
