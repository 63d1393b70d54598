# The Debian package: `cpack -G DEB` in the build folder gives
# orvalin_VERSION_amd64.deb. The program folder is /usr/lib/orvalin; the
# system files (packaging/CMakeLists.txt) go under /usr. Package dependencies
# come from the shared libraries through dpkg-shlibdeps, not from a list.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvalin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvalin")
set(CPACK_PACKAGE_CONTACT "Orvalin developers <orvalin@orvalin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Programming tool of the QXT-508KP2 USB learning infrared remote control")
set(CPACK_PACKAGE_DESCRIPTION
    "orvalin teaches the USB learning remote control the keys of other remotes: it\nfetches the sampled signal, recognises its code type and writes the remote's\ncode table. orvalin-cli analyses and renders signals and diagnoses access to\nthe remote. Both can run against a simulated remote (--simulated).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# libvorkel.so is the package's own library, found beside the programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${ORVALIN_PROGRAM_DIR})
# Absolute destinations (the system files) need the staging folder as DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr/lib/orvalin)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr/lib/orvalin)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst ${CMAKE_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
