# Signs reached through an MQTT broker (src/fleet, lumetra-agent): libmosquitto with OpenSSL
# for its digests and base64. Linux only for now, and only where libmosquitto is installed;
# LUMETRA_FLEET tells the folders whether lumetra_fleet is built.
set(LUMETRA_FLEET OFF)
if(NOT WIN32)
    find_package(PkgConfig QUIET)
    if(PkgConfig_FOUND)
        pkg_check_modules(MOSQUITTO QUIET IMPORTED_TARGET GLOBAL libmosquitto)
    endif()
    find_package(OpenSSL QUIET COMPONENTS Crypto)
    find_package(Threads)
    if(MOSQUITTO_FOUND AND OpenSSL_FOUND)
        set(LUMETRA_FLEET ON)
    else()
        message(STATUS "libmosquitto or OpenSSL missing: no MQTT links, lumetra-agent is not built")
    endif()
endif()
