#!/usr/bin/env bash
# Checks a Windows module: its only export is the SDK's entry point and every DLL it imports is one
# that Windows itself provides (no MinGW runtime DLLs beside it). check_dll_imports.sh FILE.dll
set -euo pipefail
dll=${1:?usage: check_dll_imports.sh FILE.dll}
objdump=${GORVA_OBJDUMP:-x86_64-w64-mingw32-objdump}
headers=$("$objdump" -p "$dll")

# What Windows ships in System32 and the module may use; compared without case, as Windows does.
system_dlls='^(kernel32|user32|advapi32|shell32|ole32|oleaut32|ws2_32|msvcrt|ucrtbase|bcrypt|ntdll|api-ms-win-[a-z0-9-]+)\.dll$'

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
               on && NF == 0 {on = 0}
               on {print $NF}' <<<"$headers")
echo "$dll imports: $(tr '\n' ' ' <<<"$imports")"
echo "$dll exports: $(tr '\n' ' ' <<<"$exports")"

status=0
while read -r name; do
  [[ -z $name ]] && continue
  if ! grep -qiE "$system_dlls" <<<"$name"; then
    echo "error: $dll imports $name, which is not a Windows system DLL" >&2
    status=1
  fi
done <<<"$imports"
if [[ $exports != "_ILxModule_Create" ]]; then
  echo "error: $dll must export _ILxModule_Create alone" >&2
  status=1
fi
exit $status
