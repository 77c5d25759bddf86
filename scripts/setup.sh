#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when any is missing. Safe to run again.
set -euo pipefail

packages=(g++ cmake make pkg-config libgtest-dev libgmock-dev googletest libbenchmark-dev
          libpugixml-dev libtinyobjloader-dev libtinygltf-dev nlohmann-json3-dev libcairo2-dev
          clang libclang-rt-14-dev)  # clang and its libFuzzer and sanitizer runtimes: scripts/fuzz.sh

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
