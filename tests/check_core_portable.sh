#!/usr/bin/env bash
# Fails when a core source includes anything but the C++ standard library and the
# core's own headers: platform code belongs in src/platform and src/gui.
set -euo pipefail
src=$1
status=0
while IFS= read -r line; do
  file=${line%%:*}
  header=$(sed -E 's/.*#include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
  case "$header" in
    */*) [ -f "$src/$header" ] && continue ;;
    *.h | *.hpp) ;;
    *) continue ;;  # standard library headers have no extension
  esac
  echo "core file $file includes $header"
  status=1
done < <(grep -rHn '#include' "$src"/{app,ui,sql,transfer,ops,tools,res,ports} 2>/dev/null || true)
exit $status
