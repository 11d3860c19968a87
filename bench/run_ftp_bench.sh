#!/bin/sh
# StoreFile of a 256 MiB file against curl, one after the other, to pyftpdlib on loopback;
# then the commands and replies of the standard upload of the three result files.
# Needs curl (installed here when missing); builds ftp_bench in the default preset.
set -eu
cd "$(dirname "$0")/.."
# shellcheck source=bench/await_port.sh
. bench/await_port.sh
command -v curl >/dev/null || { apt-get install -y -q --no-install-recommends curl; }
cmake --preset default >/dev/null
cmake --build --preset default --target ftp_bench
bench=build/default/bench/ftp_bench
work=$(mktemp -d)
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/root" "$work/local"
pass_hex=$(printf 'bench' | od -An -tx1 | tr -d ' \n')
KORVALESEN_FTPD_DEBUG=1 /usr/bin/python3 tests/upload/pyftpd_server.py 0 "$work/root" bench \
  "$pass_hex" >"$work/port" 2>"$work/log" &
server=$!
port=$(await_port "$work/port")

head -c 268435456 /dev/urandom >"$work/big.bin"
"$bench" store "$port" bench bench "$work/big.bin"
start=$(date +%s%N)
curl -s -u bench:bench -T "$work/big.bin" "ftp://127.0.0.1:$port/curl.bin"
end=$(date +%s%N)
echo "curl: $(( (end - start) / 1000000 )) ms"
cmp "$work/big.bin" "$work/root/bench.bin" && cmp "$work/big.bin" "$work/root/curl.bin"

mkdir "$work/root/import"
: >"$work/log"
cd "$work/local"
for f in _Konfig.lcd _Fehler.txt _SerienNrVersion.txt; do echo "$f" >"$f"; done
"$OLDPWD/$bench" upload "$port" bench bench
sleep 0.5
echo "commands: $(grep -ac ' <- ' "$work/log")  replies: $(grep -ac ' -> ' "$work/log")"
grep -a ' <- ' "$work/log" | sed 's/.* <- //' | tr '\n' ' '; echo
