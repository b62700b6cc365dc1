#!/usr/bin/env bash
# Fails when a core source includes anything but the C++ standard library and the
# core's own headers (platform code belongs in src/platform and src/gui), or when an
# include runs against the core's direction:
#   app -> ui -> ops -> transfer -> {sql, tools} -> {ports, res, run}
# A folder may include its own headers and those of the folders below it. The one
# exception: the operations are methods of the dialog, so ops/ may include the
# dialog's class, ui/harrowlander_dlg.h.
set -euo pipefail
src=$1
status=0

rank() {
  case "$1" in
    ports | res | run) echo 0 ;;
    sql | tools) echo 1 ;;
    transfer) echo 2 ;;
    ops) echo 3 ;;
    ui) echo 4 ;;
    app) echo 5 ;;
    *) echo -1 ;;  # not a core folder
  esac
}

while IFS= read -r line; do
  file=${line%%:*}
  header=$(sed -E 's/.*#include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
  from=$(sed -E "s#^$src/([^/]+)/.*#\1#" <<<"$file")
  case "$header" in
    */*)
      to=${header%%/*}
      if [ "$(rank "$to")" -lt 0 ] || [ ! -f "$src/$header" ]; then
        echo "core file $file includes $header, which is not a core header"
        status=1
      elif [ "$to" != "$from" ] && [ "$(rank "$to")" -ge "$(rank "$from")" ] &&
        ! { [ "$from" = ops ] && [ "$header" = ui/harrowlander_dlg.h ]; }; then
        echo "core file $file includes $header: $from/ may not depend on $to/"
        status=1
      fi
      ;;
    *.h | *.hpp)
      echo "core file $file includes $header"
      status=1
      ;;
    *) ;;  # standard library headers have no extension
  esac
done < <(grep -rHn '^[[:space:]]*#[[:space:]]*include' "$src"/{app,ui,sql,transfer,ops,tools,res,ports,run} 2>/dev/null || true)
exit $status
