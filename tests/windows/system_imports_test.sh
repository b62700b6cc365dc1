#!/usr/bin/env bash
# The program must start on a bare Windows installation: every DLL it imports is one
# that Windows itself ships (the C++ runtime is linked in statically).
# Usage: system_imports_test.sh PROGRAM
set -euo pipefail
program=$1
system_dlls="advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll netapi32.dll
odbc32.dll ole32.dll oleaut32.dll shell32.dll user32.dll ws2_32.dll"
mapfile -t imports < <(x86_64-w64-mingw32-objdump -p "$program" |
  sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
[ ${#imports[@]} -gt 0 ] || { echo "FAIL: no imports read from $program"; exit 1; }
status=0
for dll in "${imports[@]}"; do
  if ! tr ' ' '\n' <<<"$system_dlls" | grep -qxF "$dll"; then
    echo "FAIL: $program imports $dll, which Windows does not ship"
    status=1
  fi
done
[ $status -eq 0 ] && echo "imports only system DLLs: ${imports[*]}"
exit $status
