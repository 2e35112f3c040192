#!/usr/bin/env bash
# lumetra-send.exe under Wine sends the window's demo text through COM7, and through ser2net
# by rfc2217:// and socket:// (Winsock), to lumetra-sign --headless on the Linux side; the
# frame the sign reports must be the one the Linux lumetra-send builds from the same file.
#   send-end-to-end.sh WINE64 LUMETRA-SEND.EXE LUMETRA-SIGN LUMETRA-SEND WORKDIR
# WINEPREFIX names the Wine prefix whose dosdevices/com7 is linked to the sign.
set -euo pipefail
wine=$1 sendExe=$2 sign=$3 send=$4 work=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work"

"$here/demo-text.sh" >demo.txt
"$send" --dump expected.bin demo.txt
"$wine" "$sendExe" --dump windows.bin demo.txt
cmp expected.bin windows.bin

# What the sign makes of the expected frame read straight from its file.
expected=$("$here/sign-reads.sh" "$sign" expected.bin)

# One frame from lumetra-send.exe to a sign on a new pseudo-terminal ($device); `route` puts
# a way there and leaves lumetra-send.exe's port options in $sendArgs.
signPid=
trap 'kill $signPid ${ser2netPid:-} 2>/dev/null || true' EXIT
check() {
    local what=$1 route=$2 received
    coproc SIGN { exec "$sign" --headless --link "$work/sign-tty"; }
    signPid=$SIGN_PID
    read -r -t 20 device <&"${SIGN[0]}"
    device=${device#device: }
    $route
    echo "$what: sign on $device, lumetra-send.exe ${sendArgs[*]}"
    "$wine" "$sendExe" "${sendArgs[@]}" demo.txt
    read -r -t 60 received <&"${SIGN[0]}"
    kill "$signPid"
    wait "$signPid" || true
    [ -z "${ser2netPid:-}" ] || { kill "$ser2netPid"; wait "$ser2netPid" || true; ser2netPid=; }
    echo "received: $received"
    if [ "$received" != "$expected" ]; then
        echo "expected: $expected"
        exit 1
    fi
}

viaCom7() {
    ln -sfn "$device" "$WINEPREFIX/dosdevices/com7"
    sendArgs=(--port 7)
}

# ser2net on the loopback in front of the sign, by either URL, through Wine's Winsock.
freePort() {
    local p
    for _ in $(seq 50); do
        p=$((20000 + RANDOM % 20000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
            echo "$p"
            return
        fi
    done
    return 1
}
viaSer2net() {
    local scheme=$1 port accepter
    port=$(freePort)
    accepter="tcp,127.0.0.1,$port"
    [ "$scheme" = rfc2217 ] && accepter="telnet(rfc2217),$accepter"
    printf '%s\n' "%YAML 1.1" "---" "connection: &sign" "  accepter: $accepter" \
        "  connector: serialdev,$device,9600n81,local" "  options:" "    mdns: false" \
        >"$work/ser2net.yaml"
    ser2net -n -d -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >/dev/null 2>&1 &
    ser2netPid=$!
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.1
    done
    sleep 0.3
    sendArgs=(--device "$scheme://127.0.0.1:$port")
}
viaRfc2217() { viaSer2net rfc2217; }
viaSocket() { viaSer2net socket; }

check "COM7" viaCom7
check "RFC 2217" viaRfc2217
check "raw TCP" viaSocket
