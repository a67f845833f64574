# The Debian package, built by CPack (scripts/package): brevel_<version>_<arch>.deb
# with its dependencies found from the shared libraries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brevel)
set(CPACK_PACKAGE_VENDOR Oltrane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy whole disks to image files, images to disks, disks to disks")
set(CPACK_PACKAGE_DESCRIPTION "Brevel copies a whole disk byte for byte: it saves a disk as an
image file (raw, gzip, bzip2 or zlib), writes an image file to a disk, clones a
disk onto another and converts between image formats. It has a window, brevel,
and a terminal program, brevel-cli. The window reaches disks through polkit and
a small helper, so that it never runs as root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Oltrane <brevel@${BREVEL_SITE}>")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window asks for disk access through pkexec; without it, it says so.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS pkexec)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${BREVEL_SITE}/brevel")
include(CPack)
