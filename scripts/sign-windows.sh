#!/bin/sh
# Signs Windows programs in place with Authenticode (osslsigncode, SHA-256):
#   scripts/sign-windows.sh <certificate.pfx> <password file, or - for $KORVALESEN_SIGN_PASSWORD>
#                           <time-stamp server URL, or -> <file>...
# The password never goes on a command line, where other users of the machine could read it.
set -eu
certificate=$1 password_file=$2 timestamp=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$password_file" = - ]; then
  password_file=$work/password
  (umask 077 && printf '%s' "${KORVALESEN_SIGN_PASSWORD:?no password in KORVALESEN_SIGN_PASSWORD}" >"$password_file")
fi
for file in "$@"; do
  set -- osslsigncode sign -pkcs12 "$certificate" -readpass "$password_file" -h sha256 \
    -n Korvalesen
  [ "$timestamp" = - ] || set -- "$@" -ts "$timestamp"
  "$@" -in "$file" -out "$work/signed" >/dev/null
  mv "$work/signed" "$file"
done
