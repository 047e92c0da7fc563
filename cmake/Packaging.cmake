# CPack: `cpack -G DEB` in the build folder makes a Debian package of everything `cmake --install`
# puts in place. Its dependencies are computed from the binaries (dpkg-shlibdeps), which yields the
# Qt 6 runtime libraries; the platform plugins are loaded at run time, so they are named by hand.
set(CPACK_PACKAGE_NAME kelm)
set(CPACK_PACKAGE_VENDOR "KELM workbench developers")
set(CPACK_PACKAGE_CONTACT "KELM workbench developers <kelm@example.org>")
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
set(kelm_changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${kelm_changelog}
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/resources/debian/changelog > ${kelm_changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/debian/changelog
  VERBATIM)
add_custom_target(kelm_changelog ALL DEPENDS ${kelm_changelog})
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright ${kelm_changelog}
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
