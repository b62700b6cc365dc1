#!/usr/bin/env bash
# Installs what is needed, builds the tool and testserver, starts testserver seeded on
# loopback where the dialog's default server name "(local)" finds it (port 1433, login
# sa with an empty password, as the dialog starts out), and opens the window. Closing
# the window stops the server. testserver is a stand-in for SQL Server, not the real one.
#
# Everything runs in a private network namespace: the tool's server discovery
# broadcasts, and here it reaches nothing but loopback. The demo keeps its settings and
# the server's state in $DEMO_DIR (default /tmp/harrowlander-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target harrowlander testserver -j "$(nproc)"

demo=${DEMO_DIR:-/tmp/harrowlander-demo}
mkdir -p "$demo/settings" "$demo/server" "$demo/run"
chmod 700 "$demo/run"

run() {
  set -euo pipefail
  ip link set lo up
  build/default/testserver/testserver --state "$demo/server" --listen 127.0.0.1:1433 \
    --sa-password '' --seed --log "$demo/server/statements.jsonl" >"$demo/server.out" 2>&1 &
  server=$!
  trap 'kill $server 2>/dev/null; wait $server 2>/dev/null' EXIT
  for _ in $(seq 100); do
    grep -q '^ready' "$demo/server.out" && break
    sleep 0.1
  done
  grep -q '^ready' "$demo/server.out" || { cat "$demo/server.out" >&2; exit 1; }
  echo "testserver (a stand-in for SQL Server) on 127.0.0.1:1433, login sa, empty password"
  echo "drop down the database box to list its databases; statement log: $demo/server/statements.jsonl"
  XDG_CACHE_HOME="$demo/settings" XDG_RUNTIME_DIR="$demo/run" \
    build/default/src/gui/wx/harrowlander
}
export -f run
export demo
if [ "$(id -u)" -eq 0 ]; then
  unshare -n -- bash -c run
else
  unshare -r -n -- bash -c run
fi
