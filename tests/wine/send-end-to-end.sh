#!/usr/bin/env bash
# lumetra-send.exe under Wine sends the window's demo text through COM7 to lumetra-sign
# --headless on the Linux side; the frame the sign reports must be the one the Linux
# lumetra-send builds from the same file, byte for byte.
#   send-end-to-end.sh WINE64 LUMETRA-SEND.EXE LUMETRA-SIGN LUMETRA-SEND WORKDIR
# WINEPREFIX names the Wine prefix whose dosdevices/com7 is linked to the sign.
set -euo pipefail
wine=$1 sendExe=$2 sign=$3 send=$4 work=$5
rm -rf "$work" && mkdir -p "$work" && cd "$work"

# The demo text the main window starts with, as a file: Windows-1251, CR LF line breaks.
printf '%s\r\n' "               Demo File" "           " "   S=Speed скорость  /S5 " \
    "   W=Wait   задержка  1 сек   /W1       " "   C=Clear    очистка          /С1       " \
    "   F=Fill        заполнение   /F1       " "   U=Up       сдвиг вверх   /U1       " |
    iconv -f UTF-8 -t CP1251 >demo.txt
printf '%s' "   D=Down  сдвиг вниз   /D1   " | iconv -f UTF-8 -t CP1251 >>demo.txt

"$send" --dump expected.bin demo.txt
"$wine" "$sendExe" --dump windows.bin demo.txt
cmp expected.bin windows.bin

coproc SIGN { exec "$sign" --headless --link "$WINEPREFIX/dosdevices/com7"; }
signPid=$SIGN_PID
trap 'kill "$signPid" 2>/dev/null || true' EXIT
read -r -t 20 device <&"${SIGN[0]}"
echo "sign on ${device#device: } behind COM7"
"$wine" "$sendExe" --port 7 demo.txt
read -r -t 60 received <&"${SIGN[0]}"
kill "$signPid"
wait "$signPid" || true

# What the sign makes of the expected frame read straight from its file.
"$sign" --headless --device expected.bin >expected.json 2>/dev/null &
reader=$!
for _ in $(seq 100); do
    [ "$(wc -l <expected.json)" -ge 2 ] && break
    sleep 0.1
done
kill "$reader" 2>/dev/null || true
wait "$reader" || true
expected=$(sed -n 2p expected.json)
echo "received: $received"
if [ "$received" != "$expected" ]; then
    echo "expected: $expected"
    exit 1
fi
