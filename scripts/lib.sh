# Shared by scripts/run and scripts/test: installs what is missing, then configures and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${LUMETRA_BUILD_DIR:-$ROOT/build}"

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libxcb1-dev googletest
    libgtest-dev fonts-dejavu-core qt6-translations-l10n)
# The icons are rendered to PNG at build time; the package wants dpkg-shlibdeps.
BUILD_PACKAGES+=(librsvg2-bin dpkg-dev)
# The install and package test runs the validators, man and lintian.
TEST_PACKAGES=(desktop-file-utils appstream lintian man-db file)
# The network ports are tested against ser2net in front of a pseudo-terminal.
TEST_PACKAGES+=(ser2net)
# lumetra-font unpacks gzipped fonts; its tests import Debian's console fonts.
BUILD_PACKAGES+=(zlib1g-dev) TEST_PACKAGES+=(console-setup-linux)
# The preview's GIF export (optional: without it the build leaves the export out).
BUILD_PACKAGES+=(libgif-dev)
# The Windows cross-build (scripts/test-windows): MinGW-w64 with posix threads, Wine to test.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 googletest cmake ninja-build ser2net)
# Qt for MinGW (scripts/build-qt-windows) is built from Debian's qt6-base source with the host
# Qt's tools; it lives outside the build, in the user's cache.
WINDOWS_QT_PACKAGES=(g++-mingw-w64-x86-64-posix cmake ninja-build perl dpkg-dev qt6-base-dev
    qt6-base-dev-tools)

windows_qt_prefix() {
    echo "${LUMETRA_WINDOWS_QT:-${XDG_CACHE_HOME:-$HOME/.cache}/lumetra/qt-6.4.2-mingw64}"
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
