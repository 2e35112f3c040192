# nlohmann/json and CLI11, both header-only: Debian's nlohmann-json3-dev and libcli11-dev.
# The cross-build compiles the same headers. Their folder on the build machine, /usr/include,
# must not come into its include path (it holds the build machine's C library), so each
# library's own folder is copied alone into the build folder and taken from there.
if(CMAKE_CROSSCOMPILING)
    find_path(LUMETRA_NLOHMANN_JSON_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    find_path(LUMETRA_CLI11_DIR CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(headers ${CMAKE_BINARY_DIR}/header-libraries)
    file(COPY ${LUMETRA_NLOHMANN_JSON_DIR}/nlohmann DESTINATION ${headers})
    file(COPY ${LUMETRA_CLI11_DIR}/CLI DESTINATION ${headers})
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    set_target_properties(nlohmann_json::nlohmann_json CLI11::CLI11 PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${headers})
else()
    find_package(nlohmann_json 3.10 REQUIRED)
    find_package(CLI11 2.1 REQUIRED)
endif()
