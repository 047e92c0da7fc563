# CPack: `cpack -G DEB` in the build folder makes a Debian package of everything `cmake --install`
# puts in place. Its dependencies are computed from the binaries (dpkg-shlibdeps), which yields the
# Qt 6 runtime libraries; the platform plugins are loaded at run time, so they are named by hand.
set(CPACK_PACKAGE_NAME kelm)
set(CPACK_PACKAGE_VENDOR "KELM workbench developers")
set(CPACK_PACKAGE_CONTACT "KELM workbench developers <kelm@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Workbench for the EDID store of an HDMI distribution device")
set(CPACK_PACKAGE_DESCRIPTION
  "Finds the device on serial ports and the local network, reads, analyses, composes and uploads\n\
its EDIDs, selects the EDID the input presents and updates its firmware. Includes kelmctl, the\n\
scriptable command-line tool, and kelm-devsim, a simulated device.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
include(CPack)
