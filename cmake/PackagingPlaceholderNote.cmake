# Read by cpack when the build names no maintainer: the package is for local use only.
message(STATUS "Packaging with the placeholder maintainer; a published package sets -DKELM_PACKAGE_MAINTAINER=\"Name <address>\".")
