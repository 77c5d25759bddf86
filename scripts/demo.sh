#!/usr/bin/env bash
# Builds the project and runs the gorva host on its bundled demo: scripts/demo.sh [--out DIR]
# scripts/demo.sh --serve [--port N] opens the demo's facade in the browser viewport instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" "$root/build" >&2
if [[ ${1:-} == --serve ]]; then
  shift
  exec "$root/build/app/gorva" serve --scene "$root/examples/facade.obj" "$@"
fi
exec "$root/build/app/gorva" demo "$@"
