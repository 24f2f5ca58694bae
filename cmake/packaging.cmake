# The release packages, made by CPack from the install tree of a build:
#   Windows (the `windows` preset): jxlimport-<version>-windows-x64.zip, a folder of the same
#     name holding the DLL and the tool side by side with the user's README in Russian and
#     English, the licence texts and SHA256SUMS of them all;
#   Linux (the `linux` preset): jxl-import_<version>_amd64.deb, the tool in /usr/bin and the
#     plug-in library in a folder of its own, /usr/lib/jxl-import, where the tool looks for
#     it (Host::CPluginLibrary::DefaultPath), with a man page and the Debian copyright file.
# `cmake --build --preset <preset> --target package`; scripts/package makes both.

set(JXL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(JXL_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(jxl_text_sources
    ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt
    ${JXL_PACKAGING_DIR}/README.ru.txt ${JXL_PACKAGING_DIR}/README.en.txt
    ${JXL_PACKAGING_DIR}/jxl-import.1 ${JXL_PACKAGING_DIR}/copyright)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${jxl_text_sources})

# The top entry of CHANGELOG.md, "## <version> (<yyyy-mm-dd>)", must be this version: the
# date and the notes of the Debian changelog come from it.
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md jxl_changelog_lines ENCODING UTF-8)
set(jxl_release_notes "")
set(jxl_in_top_entry FALSE)
foreach(line IN LISTS jxl_changelog_lines)
    if(line MATCHES "^## ")
        if(jxl_in_top_entry)
            break()
        endif()
        if(NOT line MATCHES "^## ([^ ]+) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
            message(FATAL_ERROR "CHANGELOG.md: the top entry's heading is not '## <version> (<yyyy-mm-dd>)': ${line}")
        endif()
        if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
            message(FATAL_ERROR "CHANGELOG.md: the top entry is ${CMAKE_MATCH_1}, the project's version ${PROJECT_VERSION}")
        endif()
        set(jxl_release_year ${CMAKE_MATCH_2})
        set(jxl_release_month ${CMAKE_MATCH_3})
        set(jxl_release_day ${CMAKE_MATCH_4})
        set(JXL_RELEASE_DATE ${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4})
        set(jxl_in_top_entry TRUE)
    elseif(jxl_in_top_entry AND line MATCHES "^- (.*)$")
        string(APPEND jxl_release_notes "  * ${CMAKE_MATCH_1}\n")
    elseif(jxl_in_top_entry AND line MATCHES "^  +([^ ].*)$")
        string(APPEND jxl_release_notes "    ${CMAKE_MATCH_1}\n")
    endif()
endforeach()
if(NOT jxl_in_top_entry OR jxl_release_notes STREQUAL "")
    message(FATAL_ERROR "CHANGELOG.md: no entry with notes ('- ' lines) for ${PROJECT_VERSION}")
endif()

# Copies a text file for a package: CRLF line ends and a byte order mark for Windows'
# editors when asked, the project's version and its release date in place of
# @PROJECT_VERSION@ and @JXL_RELEASE_DATE@.
function(jxl_package_text source destination)
    cmake_parse_arguments(PARSE_ARGV 2 arg "WINDOWS" "" "")
    file(READ ${source} text)
    string(REPLACE "@PROJECT_VERSION@" "${PROJECT_VERSION}" text "${text}")
    string(REPLACE "@JXL_RELEASE_DATE@" "${JXL_RELEASE_DATE}" text "${text}")
    if(arg_WINDOWS)
        string(REPLACE "\r\n" "\n" text "${text}")
        string(REPLACE "\n" "\r\n" text "${text}")
        string(ASCII 239 187 191 bom)
        set(text "${bom}${text}")
    endif()
    file(WRITE ${destination}.tmp "${text}")
    file(COPY_FILE ${destination}.tmp ${destination} ONLY_IF_DIFFERENT)
    file(REMOVE ${destination}.tmp)
endfunction()

# The date as RFC 5322 writes it, at midnight UTC ("Wed, 09 Dec 2026 00:00:00 +0000"), from
# a two-digit month and day; the weekday by Sakamoto's rule.
function(jxl_rfc5322_date year month day out)
    math(EXPR m0 "${month} - 1")
    math(EXPR d "${day}")
    set(y ${year})
    if(m0 LESS 2)
        math(EXPR y "${y} - 1")
    endif()
    set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    set(weekdays Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET month_offsets ${m0} t)
    math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${t} + ${d}) % 7")
    list(GET weekdays ${weekday} weekday)
    list(GET months ${m0} name)
    set(${out} "${weekday}, ${day} ${name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

set(CPACK_PACKAGE_NAME jxlimport)
set(CPACK_PACKAGE_VENDOR "jxlimport developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "JobXML survey job import plug-in and its command-line host")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

# The link maps name every object that the shipped binaries take from the toolchain's
# static libraries: what the licence notices answer for (scripts/test-packages checks them
# against packaging/static-parts-<system>.txt).
target_link_options(jxlimport PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/jxlimport.map)
target_link_options(jxl-import PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/jxl-import.map)

if(WIN32)
    # Everything in one folder named after the release, so that unpacking never scatters
    # files into the folder the archive lies in: the DLL is the plug-in, the tool finds it
    # beside itself.
    install(TARGETS jxlimport jxl-import RUNTIME DESTINATION .)
    foreach(text README.ru.txt README.en.txt)
        jxl_package_text(${JXL_PACKAGING_DIR}/${text} ${JXL_PACKAGING_OUT}/${text} WINDOWS)
        install(FILES ${JXL_PACKAGING_OUT}/${text} DESTINATION .)
    endforeach()
    foreach(text LICENSE THIRD-PARTY-NOTICES.txt)
        jxl_package_text(${PROJECT_SOURCE_DIR}/${text} ${JXL_PACKAGING_OUT}/${text} WINDOWS)
        install(FILES ${JXL_PACKAGING_OUT}/${text} DESTINATION .)
    endforeach()
    # Last, so that it sums the files as installed (and stripped).
    install(CODE [[
        set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
        file(GLOB names LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
        list(REMOVE_ITEM names SHA256SUMS)
        list(SORT names)
        set(sums "")
        foreach(name IN LISTS names)
            file(SHA256 "${root}/${name}" sum)
            string(APPEND sums "${sum}  ${name}\n")
        endforeach()
        file(WRITE "${root}/SHA256SUMS" "${sums}")
    ]])

    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME jxlimport-${PROJECT_VERSION}-windows-x64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    # Debian's hardening of programs it ships: read-only relocations, bound at start.
    target_link_options(jxlimport PRIVATE -Wl,-z,relro -Wl,-z,now)
    target_link_options(jxl-import PRIVATE -Wl,-z,relro -Wl,-z,now)

    # The folder's name is the one the tool looks in, relative to its own: ../lib/jxl-import.
    install(TARGETS jxl-import RUNTIME DESTINATION bin)
    install(TARGETS jxlimport LIBRARY DESTINATION lib/jxl-import
            PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

    set(doc share/doc/jxl-import)
    jxl_package_text(${JXL_PACKAGING_DIR}/copyright ${JXL_PACKAGING_OUT}/copyright)
    install(FILES ${JXL_PACKAGING_OUT}/copyright DESTINATION ${doc})

    # The Debian changelog of a package without a Debian revision: the top entry of
    # CHANGELOG.md, dated by it.
    jxl_rfc5322_date(${jxl_release_year} ${jxl_release_month} ${jxl_release_day} release_date)
    set(JXL_PACKAGE_MAINTAINER "jxlimport developers <jxlimport@users.noreply.example.org>"
        CACHE STRING "The Maintainer of the Debian package: name <address>")
    file(WRITE ${JXL_PACKAGING_OUT}/changelog.tmp
        "jxl-import (${PROJECT_VERSION}) unstable; urgency=medium\n\n${jxl_release_notes}\n"
        " -- ${JXL_PACKAGE_MAINTAINER}  ${release_date}\n")
    file(COPY_FILE ${JXL_PACKAGING_OUT}/changelog.tmp ${JXL_PACKAGING_OUT}/changelog ONLY_IF_DIFFERENT)
    file(REMOVE ${JXL_PACKAGING_OUT}/changelog.tmp)
    jxl_package_text(${JXL_PACKAGING_DIR}/jxl-import.1 ${JXL_PACKAGING_OUT}/jxl-import.1)

    # Compressed as Debian wants them: best compression, no name or time in the header.
    find_program(GZIP_PROGRAM gzip REQUIRED)
    set(compressed "")
    foreach(text changelog jxl-import.1)
        add_custom_command(
            OUTPUT ${JXL_PACKAGING_OUT}/${text}.gz
            COMMAND ${GZIP_PROGRAM} -9nc ${JXL_PACKAGING_OUT}/${text} > ${JXL_PACKAGING_OUT}/${text}.gz
            DEPENDS ${JXL_PACKAGING_OUT}/${text}
            COMMENT "Compressing ${text} for the Debian package")
        list(APPEND compressed ${JXL_PACKAGING_OUT}/${text}.gz)
    endforeach()
    add_custom_target(jxl_package_texts ALL DEPENDS ${compressed})
    install(FILES ${JXL_PACKAGING_OUT}/changelog.gz DESTINATION ${doc})
    install(FILES ${JXL_PACKAGING_OUT}/jxl-import.1.gz DESTINATION share/man/man1)

    if(BUILD_TESTING)
        add_test(NAME installed_layout
                 COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                         -DPREFIX=${CMAKE_BINARY_DIR}/installed-layout-test
                         -P ${PROJECT_SOURCE_DIR}/cmake/installed_layout_test.cmake)
    endif()

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_PACKAGE_NAME jxl-import)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${JXL_PACKAGE_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The dependencies: cmake/cpack_project_config.cmake asks dpkg-shlibdeps.
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_project_config.cmake)
    set(CPACK_JXL_BINARIES_FILE ${JXL_PACKAGING_OUT}/binaries.cmake)
    file(GENERATE OUTPUT ${CPACK_JXL_BINARIES_FILE}
         CONTENT "set(jxl_binaries \"$<TARGET_FILE:jxl-import>\" \"$<TARGET_FILE:jxlimport>\")\n")
    # CPack puts the summary above this as the synopsis.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "jxl-import reads JobXML job files (*.jxl) from field controllers through the
JobXML import plug-in, the way a surveying data-processing application does,
and shows what the application would receive: instrument stations,
backsights, observations, points by coordinates and the computed points of
the reductions, as a table, CSV, JSON, an HTML page with a plan of the job,
or the plug-in's every call. Values are shown as the job holds them (degrees,
metres, millibars, degrees Celsius); a file the plug-in cannot read is
reported with the reason.

The package holds the tool and the Linux build of the plug-in library,
which the tool loads from /usr/lib/jxl-import.")
endif()

include(CPack)
