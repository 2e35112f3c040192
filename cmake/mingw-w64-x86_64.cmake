# Cross-builds the Windows programs with Debian's MinGW-w64 (posix threads, for std::thread).
# Tests run under Wine: ctest starts each .exe through wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# LUMETRA_WINDOWS_QT: the Qt for MinGW of scripts/build-qt-windows, searched like the sysroot.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${LUMETRA_WINDOWS_QT})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMETRA_WINDOWS_QT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each .exe carries the C++ runtime and the thread library, so lumetra-send.exe travels alone;
# Qt's DLLs bring their own copy beside them (cmake/WindowsDeploy.cmake).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(LUMETRA_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(LUMETRA_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMETRA_WINE64})
endif()
