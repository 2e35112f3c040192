#!/usr/bin/env bash
# lumetra.exe under Wine on an X display, with the windows platform plugin: it starts with the
# demo text and shows its main window; Ctrl+T uploads that text through COM1, linked to the
# Linux lumetra-sign --headless; the frame the sign reports must be the one the Linux
# lumetra-send builds from the same text (the Linux window's frames equal lumetra-send's,
# test_send_program), byte for byte.
#   gui-end-to-end.sh WINE64 LUMETRA.EXE LUMETRA-SIGN LUMETRA-SEND WORKDIR [SCREENSHOT.png]
# WINEPREFIX names the Wine prefix, DISPLAY the X display; xdotool presses the keys.
set -euo pipefail
wine=$1 exe=$2 sign=$3 send=$4 work=$5 screenshot=${6:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work"
[ -n "${DISPLAY:-}" ] || {
    echo "no X display (DISPLAY) to show the window on" >&2
    exit 1
}

"$here/demo-text.sh" >demo.txt
"$send" --dump expected.bin demo.txt

signPid= appPid=
cleanup() {
    [ -n "$appPid" ] && kill "$appPid" 2>/dev/null
    [ -n "$signPid" ] && kill "$signPid" 2>/dev/null
    true
}
trap cleanup EXIT

# Wine's mount manager links COM1 to /dev/ttyS0 each time Wine's services start, unless the
# registry maps the port elsewhere: there, to the sign's link.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$work/com1" /f >/dev/null 2>&1
coproc SIGN { exec "$sign" --headless --link "$work/com1"; }
signPid=$SIGN_PID
read -r -t 20 device <&"${SIGN[0]}"
ln -sfn "$work/com1" "$WINEPREFIX/dosdevices/com1"
echo "sign on ${device#device: } behind COM1"

# A first start: no settings (COM 1 is the port), no last text (the demo text is shown).
rm -f "$WINEPREFIX/drive_c/windows/system32/Kesmar.ini"
QT_QPA_PLATFORM=windows "$wine" "$exe" >lumetra.log 2>&1 &
appPid=$!
window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$appPid" \
    --name "Загрузчик для бегущей строки" |
    head -n 1) || {
    echo "lumetra.exe showed no main window; its output:" >&2
    cat lumetra.log >&2
    exit 1
}
echo "main window: $(xdotool getwindowname "$window")"

sleep 2 # the first paint
[ -n "$screenshot" ] && import -window root "$screenshot"
# A click into the editor activates the window, as the operator's would.
xdotool mousemove --window "$window" 300 200 click 1
sleep 1
xdotool key --clearmodifiers ctrl+t
read -r -t 90 received <&"${SIGN[0]}" || {
    echo "no frame reached the sign" >&2
    exit 1
}
sleep 3 # the status bar tells the upload's end

kill "$appPid"
wait "$appPid" 2>/dev/null || true
appPid=

# What the sign makes of the expected frame read straight from its file.
expected=$("$here/sign-reads.sh" "$sign" expected.bin)
echo "received: $received"
if [ "$received" != "$expected" ]; then
    echo "expected: $expected"
    exit 1
fi
