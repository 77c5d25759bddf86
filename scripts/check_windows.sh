#!/usr/bin/env bash
# Cross-compiles the module and its loader for 64-bit Windows into a build folder (default
# build-win, reused between runs), checks the DLL's export and imports, and loads it under Wine.
# check_windows.sh [BUILD_DIR]; against the application's SDK (GORVA_LXSDK_DIR, by default the
# shared copy beside the checkout) when there is one, else the bundled files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-win}
"$root/scripts/setup.sh"

sdk=()
lxsdk=${GORVA_LXSDK_DIR:-$root/../shared/lxsdk}
[[ -d $lxsdk/include && -d $lxsdk/common ]] && sdk=(-DLXSDK_DIR="$(cd "$lxsdk" && pwd)")
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release "${sdk[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"

# The kit as a Windows user installs it; the loader enters the DLL from there.
cmake -DBUILD="$dir" -DPREFIX="$dir/kit" -P "$root/cmake/InstallKit.cmake"
dll="$dir/kit/gORVA/win64/gORVA_801.dll"
"$root/scripts/check_dll_imports.sh" "$dll"

# Wine's prefix lives in the build folder; a first run creates it (about half a minute), so the
# bound leaves room for that.
export WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all
(cd "$dir" && timeout --kill-after=10 "${GORVA_WINE_TIMEOUT:-300}" wine gorva_loader.exe 'kit\gORVA\win64\gORVA_801.dll')
