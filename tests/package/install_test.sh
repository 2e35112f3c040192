#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds the Debian package, then checks what an
# operator's system would get: the files' places, the desktop entry and AppStream verdicts, the
# manual pages, the package's file list and control fields, lintian, and that the menu entry's
# command works in its data folder and leaves nothing else in the home folder.
# Usage: install_test.sh BUILD_DIR VERSION PLUGIN...
# PLUGIN: the Qt plugins the program needs (the offscreen window plugin the test runs it on and
# the JPEG reader of its photographs).
set -euo pipefail

BUILD=$1
VERSION=$2
shift 2
NEEDED_PLUGINS=("$@")
QT_PLUGINS=$(dirname "$(dirname "$(readlink -f "${NEEDED_PLUGINS[0]}")")")
ID=io.github.lumetra.Lumetra
T=$(mktemp -d)
PID=
cleanup() {
    [ -n "$PID" ] && kill "$PID" 2>/dev/null && wait "$PID" 2>/dev/null
    rm -rf "$T"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
export LC_ALL=C.UTF-8

P=$T/prefix
cmake --install "$BUILD" --prefix "$P" --strip >/dev/null

# The files' places. Other programs may bring more; these must be there.
for f in bin/lumetra bin/lumetra-sign share/lumetra/Guard.zg \
    share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml \
    share/icons/hicolor/scalable/apps/$ID.svg share/doc/lumetra/copyright \
    share/doc/lumetra/changelog.Debian.gz; do
    [ -f "$P/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$P/share/icons/hicolor/${size}x$size/apps/$ID.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "$png is no $size px PNG"
done
for program in "$P"/bin/*; do
    file "$program" | grep -q ", stripped" || fail "$program is not stripped"
done

# The validators.
desktop-file-validate "$P/share/applications/$ID.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$P/share/metainfo/$ID.metainfo.xml" >/dev/null ||
    fail "appstreamcli validate: $(appstreamcli validate --no-net "$P/share/metainfo/$ID.metainfo.xml")"

# Every program has a manual page, and every page reads without a complaint.
for program in "$P"/bin/*; do
    [ -f "$P/share/man/man1/$(basename "$program").1.gz" ] || fail "no manual page for $program"
done
for page in "$P"/share/man/man*/*; do
    out=$(MANWIDTH=80 man --warnings -l "$page" 2>"$T/man.err") || fail "man -l $page"
    [ ! -s "$T/man.err" ] || fail "man -l $page: $(cat "$T/man.err")"
    grep -q "^NAME" <<<"$out" || fail "$page has no NAME section"
done

# The package: the same files under /usr, and its control fields.
cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$T/deb" >/dev/null
DEB=$(ls "$T"/deb/lumetra_*.deb)
AGENT_DEB=
[ -x "$P/bin/lumetra-agent" ] && AGENT_DEB=$(ls "$T"/deb/lumetra-agent_*.deb)
(cd "$P" && find . -type f -o -type l | sed 's|^\.|./usr|' | sort) >"$T/installed"
for deb in "$DEB" $AGENT_DEB; do
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}'
done | sort >"$T/packaged"
diff "$T/installed" "$T/packaged" || fail "the packages hold other files than the install"
# The agent's package stands alone: a box beside a sign gets no Qt and no desktop with it.
if [ -n "$AGENT_DEB" ]; then
    [ "$(dpkg-deb -f "$AGENT_DEB" Package)" = lumetra-agent ] || fail "the agent's package name"
    dpkg-deb -f "$AGENT_DEB" Depends | grep -qE 'qt6|libx|lumetra' &&
        fail "the agent's package depends on $(dpkg-deb -f "$AGENT_DEB" Depends)"
    grep -q bin/lumetra-agent <<<"$(dpkg-deb -c "$DEB")" && fail "the program's package holds the agent"
    agent_files=$(dpkg-deb -c "$AGENT_DEB")
    for f in share/doc/lumetra-agent/copyright share/doc/lumetra-agent/changelog.Debian.gz; do
        grep -q "/usr/$f\$" <<<"$agent_files" || fail "the agent's package lacks $f"
    done
fi
field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = lumetra ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VERSION-1" ] || fail "Version: $(field Version)"
[ "$(field Section)" = electronics ] || fail "Section: $(field Section)"
field Maintainer | grep -Eq '^[^<]+ <[^@ ]+@[^> ]+>$' || fail "Maintainer: $(field Maintainer)"
for dep in libqt6widgets6 libqt6core6 libc6 qt6-qpa-plugins; do
    field Depends | grep -q "\b$dep\b" || fail "Depends lacks $dep: $(field Depends)"
done
[ "$(field Description | wc -l)" -gt 3 ] || fail "no long description"
# One version everywhere: package, changelog, newest AppStream release.
zcat "$P/share/doc/lumetra/changelog.Debian.gz" | head -1 | grep -q "^lumetra ($VERSION-1) " ||
    fail "the changelog's newest entry is not $VERSION-1"
grep -m1 '<release ' "$P/share/metainfo/$ID.metainfo.xml" | grep -q "version=\"$VERSION\"" ||
    fail "the newest AppStream release is not $VERSION"
# One licence: the package's copyright file and the AppStream metadata.
grep -q "^License: GPL-3.0-or-later$" "$P/share/doc/lumetra/copyright" || fail "copyright licence"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$P/share/metainfo/$ID.metainfo.xml" ||
    fail "AppStream licence"
lintian --fail-on error "$DEB" $AGENT_DEB >"$T/lintian" 2>&1 || fail "lintian: $(cat "$T/lintian")"

# The menu entry's command: Exec without its field codes, run with an empty home.
read -r -a exec_line <<<"$(sed -n 's/^Exec=//p' "$P/share/applications/$ID.desktop" |
    sed 's/ *%[fFuUick]//g')"
[ "${exec_line[0]}" = lumetra ] || fail "Exec starts ${exec_line[0]}"
HOME_=$T/home
mkdir -p "$HOME_" "$T/elsewhere"
RUN_ENV=(env -u XDG_DATA_HOME HOME="$HOME_" XDG_CONFIG_HOME="$T/config" XDG_CACHE_HOME="$T/cache"
    XDG_RUNTIME_DIR="$T/run" QT_QPA_PLATFORM=offscreen PATH="$P/bin:$PATH")
# Started from `folder` with `env`; waits until the program's working folder is `want`.
start() {
    local folder=$1 want=$2
    shift 2
    (cd "$folder" && exec "${RUN_ENV[@]}" "$@") &
    PID=$!
    for _ in $(seq 600); do
        [ "$(readlink "/proc/$PID/cwd")" = "$want" ] && return 0
        kill -0 "$PID" 2>/dev/null || fail "$* ended early"
        sleep 0.1
    done
    fail "$* did not move to $want"
}
stop() {
    kill "$PID"
    wait "$PID" 2>/dev/null || true
    PID=
}
mkdir -p "$T/run" && chmod 700 "$T/run"
start "$T/elsewhere" "$HOME_/.local/share/lumetra" "${exec_line[@]}"
stop
cmp "$HOME_/.local/share/lumetra/Guard.zg" "$P/share/lumetra/Guard.zg" ||
    fail "the starter font was not copied"
left=$(cd "$HOME_" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./.local ./.local/share ./.local/share/lumetra ./.local/share/lumetra/Guard.zg " ] ||
    fail "the home folder holds: $left"
[ -z "$(ls -A "$T/elsewhere")" ] || fail "the starting folder holds: $(ls -A "$T/elsewhere")"

# From a terminal, without the option, the current folder stays and nothing is copied.
start "$T/elsewhere" "$T/elsewhere" lumetra
stop
[ -z "$(ls -A "$T/elsewhere")" ] || fail "a terminal start put $(ls -A "$T/elsewhere") there"

# Every shared object the program maps once its main window is up is explained. What the
# program needs (its own libraries, the plugins it loads by design and theirs) belongs to the
# package, to its Depends or to what they pull in: what installing the package brings to a clean
# system. Anything else was loaded because it is installed: a Qt plugin the program does not
# need (Qt loads some kinds, such as platform themes, wherever they are present), the libraries
# behind one, or a package the Depends only recommend or suggest.
rm -f "$T"/run/lumetra-*
start "$T/elsewhere" "$T/elsewhere" lumetra
for _ in $(seq 600); do
    compgen -G "$T/run/lumetra-*" >/dev/null && break
    sleep 0.1
done
# A second start is answered from the first one's event loop, so after its window was shown.
(cd "$T/elsewhere" && timeout 20 "${RUN_ENV[@]}" lumetra) || fail "the running program never answered"
# Icons and plugins load as the window paints: wait until the mappings hold still for a second.
maps() { awk '$6 ~ /^\// && $6 ~ /\.so/ {print $6}' "/proc/$PID/maps" | sort -u; }
before=$(maps)
for _ in $(seq 20); do
    sleep 1
    now=$(maps)
    [ "$now" = "$before" ] && break
    before=$now
done
[ -n "$now" ] || fail "no shared objects seen in /proc/$PID/maps"
stop

dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|' >"$T/own"
# A control field's package names on one line, alternatives and versions dropped.
relations() {
    tr ',|' '\n\n' | sed 's/([^)]*)//; s/:any//; s/[[:space:]]//g' | { grep . || true; } |
        tr '\n' ' '
}
read -r -a wanted <<<"$(field Depends | relations)"
read -r -a offered <<<"$(field Recommends | relations) $(field Suggests | relations)"
# Package names, one a line, reached from the arguments through the relations not excluded.
reach() {
    apt-cache depends --recurse --installed --no-conflicts --no-breaks --no-replaces \
        --no-enhances "$@" 2>/dev/null | grep -v '^ ' | sort -u
}
reach --no-recommends --no-suggests "${wanted[@]}" >"$T/closure"
reach "${wanted[@]}" "${offered[@]}" >"$T/offered"
# Real paths of shared objects: the arguments and the libraries they link.
objects() {
    [ $# -gt 0 ] || return 0
    { printf '%s\n' "$@"; ldd "$@" 2>/dev/null | awk '$2 == "=>" && $3 ~ /^\// {print $3}'; } |
        xargs -r readlink -f | sort -u
}
objects "$P/bin/lumetra" "${NEEDED_PLUGINS[@]}" >"$T/needed"
optional_plugins=()
while read -r object; do
    [[ $object == "$QT_PLUGINS"/* ]] && ! grep -qxF "$object" "$T/needed" &&
        optional_plugins+=("$object")
done <<<"$now"
objects "${optional_plugins[@]}" >"$T/behind-plugins"
owners() { dpkg -S "$1" 2>/dev/null || dpkg -S "${1#/usr}" 2>/dev/null; }
in_list() { for owner in $(sed 's/: .*//; s/,/ /g' <<<"$1"); do
    grep -qxF "${owner%%:*}" "$2" && return 0; done; return 1; }
unexplained=()
installed_only=()
while read -r object; do
    own=${object#"$P"}
    [ "$own" != "$object" ] && grep -qxF "/usr$own" "$T/own" && continue
    # Debian 12 lists some libraries under /lib, which merged /usr maps as /usr/lib.
    owners=$(owners "$object") || owners=
    [ -n "$owners" ] && in_list "$owners" "$T/closure" && continue
    names=$(sed 's/: .*//' <<<"$owners")
    label="$object (${names:-no package})"
    if grep -qxF "$object" "$T/needed"; then
        unexplained+=("$label")
    elif grep -qxF "$object" "$T/behind-plugins" ||
        { [ -n "$owners" ] && in_list "$owners" "$T/offered"; }; then
        installed_only+=("$label")
    else
        unexplained+=("$label")
    fi
done <<<"$now"
[ ${#unexplained[@]} -eq 0 ] ||
    fail "mapped but not brought by the package's Depends: ${unexplained[*]}"
[ ${#installed_only[@]} -eq 0 ] ||
    echo "mapped because installed, not needed by the program: ${installed_only[*]}"

# The pictures name their formats: PNG, which Qt reads itself, and JPEG. Any other image plugin
# mapped means a picture is read by content, and Qt then loads every image plugin installed.
images=$({ grep '/imageformats/' <<<"$now" || true; } | xargs -r -n1 basename | sort -u |
    tr '\n' ' ')
for image in $images; do
    for plugin in "${NEEDED_PLUGINS[@]}"; do
        [ "$image" = "$(basename "$plugin")" ] && continue 2
    done
    fail "image plugins mapped beside the ones the pictures need: $images"
done

echo "install, package and data folder checks passed"
