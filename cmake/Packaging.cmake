# CPack: `cpack -G DEB` in the build folder makes a Debian package of everything `cmake --install`
# puts in place. Its dependencies are computed from the binaries (dpkg-shlibdeps), which yields the
# Qt 6 runtime libraries; the platform plugins are loaded at run time, so they are named by hand.
set(CPACK_PACKAGE_NAME kelm)
set(CPACK_PACKAGE_VENDOR "KELM workbench developers")
# The maintainer a released package names: whoever publishes the package sets it
# (-DKELM_PACKAGE_MAINTAINER="Name <address>"); local and test builds keep the placeholder, and
# are told so when they make a package.
set(KELM_PACKAGE_MAINTAINER "" CACHE STRING "Maintainer field of the Debian package: Name <address>")
if(KELM_PACKAGE_MAINTAINER)
  if(NOT KELM_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
    message(FATAL_ERROR "KELM_PACKAGE_MAINTAINER must read \"Name <address>\", not \"${KELM_PACKAGE_MAINTAINER}\"")
  endif()
  set(CPACK_PACKAGE_CONTACT "${KELM_PACKAGE_MAINTAINER}")
else()
  set(CPACK_PACKAGE_CONTACT "KELM workbench developers <kelm@example.org>")
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingPlaceholderNote.cmake)
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Workbench for the EDID store of an HDMI distribution device")
# Debian wants the extended description in lines of at most 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
  "Finds the device on serial ports and the local network, reads, analyses,\n\
composes and uploads its EDIDs, selects the EDID the input presents and\n\
updates its firmware. Includes kelmctl, the scriptable command-line tool,\n\
and kelm-devsim, a simulated device.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")

# What Debian asks of every package besides the programs: the copyright and the changelog
# (compressed, without a time stamp, so the package is reproducible).
# The changelog's trailer names the package's maintainer.
configure_file(${CMAKE_SOURCE_DIR}/resources/debian/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
set(kelm_changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${kelm_changelog}
  COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/changelog > ${kelm_changelog}
  DEPENDS ${CMAKE_BINARY_DIR}/changelog
  VERBATIM)
add_custom_target(kelm_changelog ALL DEPENDS ${kelm_changelog})
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright ${kelm_changelog}
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# kelmctl is linked statically on purpose (its start-up time), which lintian misreads (the override says why).
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kelm)

include(CPack)
