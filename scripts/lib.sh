# Shared by scripts/run and scripts/test: installs what is missing, then configures and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${LUMETRA_BUILD_DIR:-$ROOT/build}"

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libxcb1-dev googletest
    libgtest-dev fonts-dejavu-core qt6-translations-l10n)
# The icons are rendered to PNG at build time; the package wants dpkg-shlibdeps.
BUILD_PACKAGES+=(librsvg2-bin dpkg-dev)
# JSON and the command lines of the programs without Qt: header-only libraries.
BUILD_PACKAGES+=(nlohmann-json3-dev libcli11-dev)
# The program reads the font configuration ahead, while the toolkit starts.
BUILD_PACKAGES+=(libfontconfig-dev)
# The install and package test runs the validators, man and lintian.
TEST_PACKAGES=(desktop-file-utils appstream lintian man-db file)
# The network ports are tested against ser2net in front of a pseudo-terminal.
TEST_PACKAGES+=(ser2net)
# lumetra-font unpacks gzipped fonts; its tests import Debian's console fonts.
BUILD_PACKAGES+=(zlib1g-dev) TEST_PACKAGES+=(console-setup-linux)
# The preview's GIF export (optional: without it the build leaves the export out).
BUILD_PACKAGES+=(libgif-dev)
# lumetra-agent: MQTT through libmosquitto, digests through OpenSSL (JSON and options above);
# its tests start a private mosquitto.
BUILD_PACKAGES+=(libmosquitto-dev libssl-dev)
TEST_PACKAGES+=(mosquitto)
# The Windows cross-build (scripts/test-windows): MinGW-w64 with posix threads, Wine to test.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 googletest cmake ninja-build ser2net
    nlohmann-json3-dev libcli11-dev)
# The Windows windows: shown on Xvfb, keys pressed with xdotool, a screenshot taken with
# ImageMagick, the installer made with NSIS; Qt's Russian texts travel with the program.
WINDOWS_GUI_PACKAGES=(xvfb xdotool imagemagick nsis qt6-translations-l10n librsvg2-bin)
# Qt for MinGW (scripts/build-qt-windows) is built from Debian's qt6-base source with the host
# Qt's tools; it lives outside the build, in the user's cache.
WINDOWS_QT_PACKAGES=(g++-mingw-w64-x86-64-posix cmake ninja-build perl dpkg-dev qt6-base-dev
    qt6-base-dev-tools)

windows_qt_prefix() {
    echo "${LUMETRA_WINDOWS_QT:-${XDG_CACHE_HOME:-$HOME/.cache}/lumetra/qt-6.4.2-mingw64}"
}

# libmosquitto for MinGW (scripts/build-mosquitto-windows), cached beside Qt.
windows_mosquitto_prefix() {
    echo "${LUMETRA_WINDOWS_MOSQUITTO:-${XDG_CACHE_HOME:-$HOME/.cache}/lumetra/mosquitto-mingw64}"
}

# Unpacks Debian's source of PACKAGE=VERSION into DEST through `apt-get source` under a
# temporary APT configuration whose deb-src entries mirror the system's deb entries; the
# system's source lists are never touched.
debian_source() {
    local package="$1" dest="$2"
    local work
    work=$(mktemp -d "$(dirname "$dest")/source.XXXXXX")
    local apt_dir="$work/apt"
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    : >"$apt_dir/sources.list"
    # One-line lists: each "deb" line again as "deb-src".
    local list
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$list" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >>"$apt_dir/sources.list"
    done
    # deb822 files: the stanzas that serve binaries, their type made deb-src.
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -f "$list" ] || continue
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*[[:space:]]deb([[:space:]]|$)/ {
                 sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
            "$list" >"$apt_dir/sources.list.d/$(basename "$list")"
    done
    local apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list"
        -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
        -o Dir::State::Status=/var/lib/dpkg/status -o APT::Sandbox::User=root)
    apt-get "${apt_options[@]}" update -qq
    mkdir -p "$work/source"
    (cd "$work/source" && apt-get "${apt_options[@]}" source -qq "$package" >/dev/null)
    local unpacked
    unpacked=$(find "$work/source" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    rm -rf "$dest"
    mv "$unpacked" "$dest"
    rm -rf "$work"
}

install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# Arguments are CMake options; given, they are applied to an existing build folder too.
build() {
    if [ ! -f "$BUILD/build.ninja" ] || [ $# -gt 0 ]; then
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$BUILD" -j "$(nproc)"
}

# Starts Xvfb when no display is named, for the commands that show windows; it ends with the
# shell that started it.
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    install_missing xvfb
    local ready
    ready=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" 2>/dev/null &
    LUMETRA_XVFB_PID=$!
    trap 'kill "$LUMETRA_XVFB_PID" 2>/dev/null || true' EXIT
    local _
    for _ in $(seq 100); do
        [ -s "$ready" ] && break
        sleep 0.1
    done
    [ -s "$ready" ] || {
        echo "Xvfb did not start" >&2
        return 1
    }
    export DISPLAY=":$(tr -d '[:space:]' <"$ready")"
    rm -f "$ready"
}

# The Linux build's simulated sign, wherever the tree keeps its sources.
linux_sign() {
    local path
    for path in "$BUILD/src/sign/lumetra-sign" "$BUILD/tools/sign/lumetra-sign"; do
        [ -x "$path" ] && echo "$path" && return 0
    done
    return 1
}

# The Windows cross-build in $WINDOWS_BUILD: with the windows (Qt for MinGW built first when
# the cache lacks it) unless LUMETRA_WINDOWS_GUI=0, then only what stands below them.
WINDOWS_BUILD="${LUMETRA_WINDOWS_BUILD_DIR:-$ROOT/build-windows}"
windows_build() {
    install_missing "${WINDOWS_PACKAGES[@]}"
    local options=(-DLUMETRA_LINUX_BUILD=)
    linux_sign >/dev/null && options=(-DLUMETRA_LINUX_BUILD="$BUILD")
    # MQTT links: libmosquitto for MinGW, built once into the cache.
    local mosquitto
    mosquitto=$("$ROOT/scripts/build-mosquitto-windows")
    options+=(-DLUMETRA_WINDOWS_MOSQUITTO="$mosquitto")
    if [ "${LUMETRA_WINDOWS_GUI:-1}" != 0 ]; then
        install_missing "${WINDOWS_GUI_PACKAGES[@]}"
        local qt
        qt=$("$ROOT/scripts/build-qt-windows")
        options+=(-DLUMETRA_QT=ON -DLUMETRA_WINDOWS_QT="$qt" -DQT_HOST_PATH=/usr
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
    else
        echo "LUMETRA_WINDOWS_GUI=0: the Windows windows are neither built nor tested"
        options+=(-DLUMETRA_QT=OFF)
    fi
    if [ ! -f "$WINDOWS_BUILD/build.ninja" ]; then
        command -v ccache >/dev/null &&
            options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        options+=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
            -DLUMETRA_BENCHMARKS=OFF -DLUMETRA_GTEST_SOURCE=/usr/src/googletest)
    fi
    cmake -S "$ROOT" -B "$WINDOWS_BUILD" "${options[@]}" >/dev/null
    cmake --build "$WINDOWS_BUILD" -j "$(nproc)"
}
