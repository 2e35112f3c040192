#!/usr/bin/env bash
# The installer under a fresh Wine prefix: a silent install puts the program, its Start-menu
# entry and its uninstaller in place and registers it; the installed lumetra.exe shows its main
# window and uploads through COM1 (gui-end-to-end.sh); a silent uninstall leaves nothing
# behind under Program Files, in the Start menu or among the installed programs.
#   installer-test.sh SETUP.EXE LUMETRA-SIGN LUMETRA-SEND WORKDIR [SCREENSHOT.png]
set -euo pipefail
setup=$1 sign=$2 send=$3 work=$4 screenshot=${5:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
rm -rf "$work" && mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
trap '"$wineserver" --kill 2>/dev/null || true' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" --wait
dir="$WINEPREFIX/drive_c/Program Files/Lumetra"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Lumetra"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumetra'

"$wine" "$setup" /S
"$wineserver" --wait
for file in lumetra.exe lumetra-send.exe Uninstall.exe Guard.zg LICENSE.txt doc/lumetra.txt \
    platforms/qwindows.dll imageformats/qjpeg.dll translations/qtbase_ru.qm; do
    [ -f "$dir/$file" ] || fail "$file is not installed"
done
[ -f "$menu/Lumetra.lnk" ] || fail "no Start-menu entry"
"$wine" reg query "$key" /v UninstallString 2>/dev/null | grep -q 'Uninstall.exe' ||
    fail "not registered among the installed programs"
echo "installed into C:\\Program Files\\Lumetra"

"$here/gui-end-to-end.sh" "$wine" "$dir/lumetra.exe" "$sign" "$send" "$work/run" "$screenshot"

"$wine" "$dir/Uninstall.exe" /S
"$wineserver" --wait
[ ! -e "$dir" ] || fail "left behind: $(cd "$dir" && find . | head)"
[ ! -e "$menu" ] || fail "the Start-menu entry is left behind"
if "$wine" reg query "$key" >/dev/null 2>&1; then
    fail "still registered among the installed programs"
fi
echo "uninstalled: nothing left under Program Files"
