#!/usr/bin/env bash
# Runs a command (a Windows test program under Wine) beside tests/platform/https_fixture.py on
# 127.0.0.1, a Linux process of this machine, with a fresh self-signed certificate for the name
# localhost (Wine's certificate check matches host names only, never an IP address). The program learns the ports and the folder through the environment:
#   RYVEL_FIXTURE_PORTS="<https port> <http port>", RYVEL_FIXTURE_DIR (cert.pem, requests.log).
#
#   tests/windows/with-https-fixture.sh COMMAND [ARGS...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
dir="$(mktemp -d)"
server=""
cleanup() {
    if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
    rm -rf "$dir"
}
trap cleanup EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -addext subjectAltName=DNS:localhost -keyout "$dir/key.pem" -out "$dir/cert.pem" \
    >/dev/null 2>&1
mkdir -p "$dir/docroot"
: >"$dir/requests.log"
coproc FIXTURE { exec python3 "$root/tests/platform/https_fixture.py" "$dir/cert.pem" \
    "$dir/key.pem" "$dir/docroot" "$dir/requests.log"; }
server="$FIXTURE_PID"
read -r ports <&"${FIXTURE[0]}"
export RYVEL_FIXTURE_PORTS="$ports" RYVEL_FIXTURE_DIR="$dir"
"$@"
