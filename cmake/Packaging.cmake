# A Debian package built by `cpack -G DEB` from the install rules of Install.cmake.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skerrow)
set(CPACK_PACKAGE_VENDOR "Skerrow developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "librarian for VL1 voice files")
# Wrapped by hand: the lines go into the package's control file as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Skerrow opens VL1 synthesizer voice files (one voice .1vc, a bank of 16"
    "voices .1bk, all 128 voices .avc) and lists their voices. Voices from any"
    "number of files are copied into a destination list, arranged there and"
    "written as a new voice file."
    ""
    "The package holds the window program, the command-line tool skerrow-cli,"
    "a menu entry, and the voice file types for file managers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged through DESTDIR, so that the install step knows to leave the desktop's caches alone.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Skerrow developers")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The linked libraries come from dpkg-shlibdeps; libqt6svg6 among them also brings the SVG plugins
# that draw the pictures. shared-mime-info and the hicolor theme are not linked but carry the file
# types and icons to the desktop (their triggers refresh the caches after install).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info, hicolor-icon-theme")
# Lets file managers offer Skerrow for voice files (its trigger updates the MIME-to-program cache).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
