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
# Each package's description starts with its own summary line (no common summary is set, so
# CPack prepends none).
set(CPACK_PACKAGE_DESCRIPTION
"message and font uploader for running-line LED signs
Lumetra is a desktop program for the operator of a running-line LED sign, a
scrolling text display. The operator writes the message, inserts effect codes
(speed, pause, clear, fill, shift, move apart, inversion) with tool bar buttons
and uploads the text to the sign over a serial port at 1200 baud. A second
window edits the sign's 8 x 8 dot font of 256 symbols; a starter font with
Latin and Cyrillic letters comes with it.

The package also holds lumetra-send and lumetra-font for scripts, and
lumetra-sign, a simulated sign on a pseudo-terminal for trying uploads without
the device. The agent that drives signs for the clients of an MQTT broker comes
in its own package, lumetra-agent.")

# One package a component: lumetra_<version>_<arch>.deb and lumetra-agent_<version>_<arch>.deb.
# A small box beside a sign installs the agent alone: it needs no Qt and no desktop.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL lumetra)
if(TARGET lumetra-agent)
    list(APPEND CPACK_COMPONENTS_ALL agent)
endif()
set(CPACK_DEBIAN_LUMETRA_PACKAGE_NAME lumetra)
set(CPACK_DEBIAN_LUMETRA_PACKAGE_SUGGESTS lumetra-agent)
set(CPACK_DEBIAN_LUMETRA_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_AGENT_PACKAGE_NAME lumetra-agent)
set(CPACK_DEBIAN_AGENT_PACKAGE_DEPENDS "")
set(CPACK_DEBIAN_AGENT_PACKAGE_RECOMMENDS "")
set(CPACK_DEBIAN_AGENT_PACKAGE_SUGGESTS mosquitto)
set(CPACK_DEBIAN_AGENT_PACKAGE_SECTION net)
set(CPACK_DEBIAN_AGENT_DESCRIPTION
"running-line LED signs driven through an MQTT broker
lumetra-agent drives running-line LED signs for the clients of an MQTT broker
(Eclipse Mosquitto or any MQTT 3.1.1/5 broker). It takes texts, fonts and exact
frames from the broker, uploads them over the sign's serial or network port at
1200 baud, and publishes what each sign shows now, its progress and results,
and Home Assistant discovery. A systemd unit and an example configuration come
with it.")

include(CPack)
