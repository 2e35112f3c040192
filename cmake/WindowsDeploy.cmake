# The Windows build puts every program in bin/ and beside them, as windeployqt would: Qt's
# DLLs, the plugins the program loads, Qt's Russian texts, MinGW's runtime DLLs and a qt.conf
# that points Qt there. The tests run in the same folder the installer copies from.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# The host's rcc compresses with zstd, which the Qt built for MinGW cannot read.
set(LUMETRA_RCC_OPTIONS --no-zstd)
set(CMAKE_AUTORCC_OPTIONS ${LUMETRA_RCC_OPTIONS})
set(LUMETRA_DEPLOY_DIR ${CMAKE_BINARY_DIR}/bin)

# Qt's own texts for its dialogs' buttons; the same .qm files on every system.
find_file(LUMETRA_QTBASE_RU qtbase_ru.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH
    NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# MinGW's C++ runtime, which Qt's DLLs were linked against.
set(LUMETRA_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "MinGW's ${dll} not found")
    endif()
    list(APPEND LUMETRA_RUNTIME_DLLS ${path})
endforeach()

# What the installed program needs; the tests need Qt6Test and the offscreen plugin as well.
set(LUMETRA_DEPLOY_FILES
    $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
    $<TARGET_FILE:Qt6::Network> ${LUMETRA_RUNTIME_DLLS})
set(LUMETRA_DEPLOY_PLUGINS
    platforms $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
    imageformats $<TARGET_FILE:Qt6::QJpegPlugin>
    styles $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>)

set(commands)
foreach(file IN LISTS LUMETRA_DEPLOY_FILES)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file}
        ${LUMETRA_DEPLOY_DIR}/)
endforeach()
list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::Test>
    ${LUMETRA_DEPLOY_DIR}/)
set(plugins ${LUMETRA_DEPLOY_PLUGINS}
    platforms $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>)
while(plugins)
    list(POP_FRONT plugins folder file)
    list(APPEND commands
        COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMETRA_DEPLOY_DIR}/${folder}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${LUMETRA_DEPLOY_DIR}/${folder}/)
endwhile()
# Qt would look for its plugins and texts under the folder above its DLLs.
file(WRITE ${CMAKE_BINARY_DIR}/qt.conf "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
add_custom_target(lumetra_deploy ALL ${commands}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMETRA_DEPLOY_DIR}/translations
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${LUMETRA_QTBASE_RU}
            ${LUMETRA_DEPLOY_DIR}/translations/
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_BINARY_DIR}/qt.conf
            ${PROJECT_SOURCE_DIR}/data/Guard.zg ${LUMETRA_DEPLOY_DIR}/
    COMMENT "Putting Qt's and MinGW's DLLs beside the Windows programs"
    VERBATIM)
