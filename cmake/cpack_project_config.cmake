# Read by CPack before it makes a package (CPACK_PROJECT_CONFIG_FILE).
#
# The Debian package's dependencies come from dpkg-shlibdeps run here on the built
# binaries. Left to CPack (CPACK_DEBIAN_PACKAGE_SHLIBDEPS) they would be the same, but
# CPack then also adds maintainer scripts that call ldconfig for any library below
# /usr/lib, which a library in a private folder does not need (and lintian warns of).
if(CPACK_GENERATOR STREQUAL "DEB")
    include(${CPACK_JXL_BINARIES_FILE})  # jxl_binaries: the paths of the packaged binaries
    set(work ${CPACK_PACKAGE_DIRECTORY}/shlibdeps)
    file(REMOVE_RECURSE ${work})
    file(WRITE ${work}/debian/control "Source: ${CPACK_DEBIAN_PACKAGE_NAME}\n\nPackage: ${CPACK_DEBIAN_PACKAGE_NAME}\nArchitecture: any\n")
    execute_process(COMMAND dpkg-shlibdeps -O ${jxl_binaries}
                    WORKING_DIRECTORY ${work}
                    OUTPUT_VARIABLE substvars ERROR_VARIABLE errors RESULT_VARIABLE status)
    file(REMOVE_RECURSE ${work})
    if(NOT status EQUAL 0 OR NOT substvars MATCHES "shlibs:Depends=([^\n]+)")
        message(FATAL_ERROR "dpkg-shlibdeps failed (${status}):\n${errors}")
    endif()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
