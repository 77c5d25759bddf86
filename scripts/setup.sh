#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when any is missing. Safe to run again.
set -euo pipefail

packages=(g++ cmake make pkg-config libgtest-dev libgmock-dev googletest libbenchmark-dev
          libpugixml-dev libtinyobjloader-dev libtinygltf-dev nlohmann-json3-dev libcairo2-dev
          libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri  # PNG pictures: EGL and Mesa's llvmpipe
          clang libclang-rt-14-dev  # clang and its libFuzzer and sanitizer runtimes: scripts/fuzz.sh
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64  # the Windows module under Wine
          libcpp-httplib-dev chromium)  # gorva serve's web server; the browser its tests drive

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >&2
fi

# The Khronos glTF validator that the tests run under node: node and npm from Debian when missing,
# the validator from npm at the version its lock file pins.
tools=()
command -v node >/dev/null || tools+=(nodejs)
command -v npm >/dev/null || tools+=(npm)
if ((${#tools[@]})); then
  echo "Installing: ${tools[*]}" >&2
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${tools[@]}" >&2
fi
# The validator, and the viewport page's three.js with puppeteer-core for its browser tests (web/).
for folder in tests/gltf_validator web; do
  dir=$(cd "$(dirname "$0")/../$folder" && pwd)
  if ! cmp -s "$dir/package-lock.json" "$dir/node_modules/.gorva-lock.json"; then
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >&2)
    cp "$dir/package-lock.json" "$dir/node_modules/.gorva-lock.json"
  fi
done
