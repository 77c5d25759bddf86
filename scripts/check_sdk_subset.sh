#!/usr/bin/env bash
# Checks that the SDK files bundled in sdk/ are the application's own, unchanged: every file of
# sdk/include and sdk/common must be byte for byte the file of the same name in a full SDK, and
# every SDK header the module includes must be bundled. scripts/check_sdk_subset.sh [LXSDK_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sdk=${1:-$root/../shared/lxsdk}
[[ -d $sdk/include && -d $sdk/common ]] || { echo "no SDK at $sdk (include/ and common/)" >&2; exit 2; }

status=0
for dir in include common; do
  for f in "$root/sdk/$dir"/*; do
    name=$(basename "$f")
    if [[ ! -f $sdk/$dir/$name ]]; then
      echo "sdk/$dir/$name: not a file of the SDK" >&2; status=1
    elif ! cmp -s "$f" "$sdk/$dir/$name"; then
      echo "sdk/$dir/$name: differs from $sdk/$dir/$name" >&2; status=1
    fi
  done
done

# Headers the module, and the SDK headers themselves, include with <...> or "lx*".
while read -r header; do
  [[ -f $root/sdk/include/$header ]] && continue
  if [[ -f $sdk/include/$header ]]; then
    echo "$header: included but not bundled in sdk/include" >&2; status=1
  fi
done < <(grep -rhoE '#[[:space:]]*include[[:space:]]*[<"]lx[a-z_0-9]*\.h(pp)?[>"]' \
           "$root"/module "$root"/common "$root"/commands "$root"/tools "$root"/sdk \
         | sed -E 's/.*[<"](lx[a-z_0-9]*\.h(pp)?)[>"]/\1/' | sort -u)

if ((status == 0)); then
  echo "sdk/: $(ls "$root"/sdk/include | wc -l) headers and $(ls "$root"/sdk/common | wc -l) sources, each the SDK's own"
fi
exit $status
