#!/bin/sh
# Each Windows program given imports only DLLs that Windows maps from its KnownDLLs list (on
# Windows 7 to 11), which it never searches for in the program's folder: a DLL of another name
# placed beside a copy of the program (a .zip unpacked in Downloads) would be loaded in its
# stead. The programs are linked statically; every other DLL is loaded from the system folder
# at run time.
set -eu
status=0
for program in "$@"; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\tDLL Name: //p'); do
    case $(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]') in
      kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | msvcrt.dll | ws2_32.dll | \
        setupapi.dll | shell32.dll | ole32.dll | oleaut32.dll | shlwapi.dll | comdlg32.dll | \
        imm32.dll | rpcrt4.dll) ;;
      *)
        echo "$program imports $dll, which is no KnownDLL" >&2
        status=1
        ;;
    esac
  done
done
exit $status
