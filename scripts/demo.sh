#!/usr/bin/env bash
# Builds the project and runs the gorva host on its bundled demo: scripts/demo.sh [--out DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" "$root/build" >&2
exec "$root/build/app/gorva" demo "$@"
