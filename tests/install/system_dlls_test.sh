#!/bin/sh
# Each Windows program given imports only DLLs that every Windows installation has, so that it
# runs from a bare copy of its .exe (the programs are linked statically).
set -eu
status=0
for program in "$@"; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\tDLL Name: //p'); do
    case $(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]') in
      kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | msvcrt.dll | ws2_32.dll | \
        winmm.dll | version.dll | setupapi.dll | shell32.dll | ole32.dll | comctl32.dll) ;;
      *)
        echo "$program imports $dll" >&2
        status=1
        ;;
    esac
  done
done
exit $status
