# The Debian package: `cpack -G DEB` in the build folder writes lumetra_<version>_<arch>.deb.

set(LUMETRA_MAINTAINER "The Lumetra developers <lumetra@users.noreply.github.com>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetra)
set(CPACK_PACKAGE_VENDOR "The Lumetra developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${LUMETRA_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LUMETRA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/lumetra/lumetra)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the X11 and Wayland window plugins, and
# the Russian texts of Qt's own buttons and dialogs. The icons travel as PNG, so no SVG.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "message and font uploader for running-line LED signs")
set(CPACK_PACKAGE_DESCRIPTION
"Lumetra is a desktop program for the operator of a running-line LED sign, a
scrolling text display. The operator writes the message, inserts effect codes
(speed, pause, clear, fill, shift, move apart, inversion) with tool bar buttons
and uploads the text to the sign over a serial port at 1200 baud. A second
window edits the sign's 8 x 8 dot font of 256 symbols; a starter font with
Latin and Cyrillic letters comes with it.

The package also holds lumetra-sign, a simulated sign on a pseudo-terminal for
trying uploads without the device, and lumetra-agent, which drives signs for the
clients of an MQTT broker.")

include(CPack)
