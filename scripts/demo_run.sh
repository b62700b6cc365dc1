#!/usr/bin/env bash
# The demo, from a build, inside a private network and mount namespace (the tool's
# server search broadcasts; here it reaches nothing but loopback):
#  - testserver, a stand-in for SQL Server, seeded on 127.0.0.1:1433 where the dialog's
#    default server "(local)" finds it, login sa with an empty password;
#  - the private smbd of testserver/demo.sh, which publishes the server's share
#    \\127.0.0.1\BKSQLData$ to the Windows user root (as root only);
#  - testserver's SQL Server Browser responder on 127.0.0.1, which the window's server
#    search asks with the loopback: the server list shows TESTSRV, a name this
#    namespace's /etc/hosts gives 127.0.0.1;
#  - when the demo has no settings file yet, one with the share's server and account,
#    written by the dialog's own serializer;
#  - the window. Closing it stops everything else.
# Usage: scripts/demo_run.sh BUILD_DIR   (DEMO_DIR: the demo's state, /tmp/harrowlander-demo)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
demo=${DEMO_DIR:-/tmp/harrowlander-demo}

if [ "${2:-}" != --inside ]; then
  mkdir -p "$demo"
  export DEMO_DIR
  DEMO_DIR=$(cd "$demo" && pwd)
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net --mount -- bash "$0" "$build" --inside
  fi
  exec unshare --map-root-user --net --mount -- bash "$0" "$build" --inside --mapped-root
fi

ip link set lo up
mount --make-rprivate /
{
  cat /etc/hosts
  echo "127.0.0.1 TESTSRV"
} >"$demo/hosts"
mount --bind "$demo/hosts" /etc/hosts

mkdir -p "$demo/settings" "$demo/server" "$demo/run"
chmod 700 "$demo/settings" "$demo/run"
share_user=root
share_password='Share!2000'
cli=$build/src/gui/cli/harrowlander-cli

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

SA_PASSWORD='' SHARE_PASSWORD=$share_password BROWSER=127.0.0.1:1434 \
  TESTSERVER=$build/testserver/testserver \
  bash "$here/../testserver/demo.sh" "$demo/server" 1433 445 >"$demo/server.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  grep -q '^sql ' "$demo/server.out" && break
  sleep 0.1
done
grep -q '^sql ' "$demo/server.out" || {
  cat "$demo/server.out" >&2
  exit 1
}
share="\\\\127.0.0.1\\BKSQLData\$ for Windows user $share_user, password $share_password"
if grep -q '^smb ' "$demo/server.out"; then
  for _ in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null && break
    sleep 0.05
  done
else
  share="none: Samba's smbd runs only as root, so only \"same machine\" backups work"
fi

if [ -e "$demo/settings/Harrowlander.dat" ]; then
  settings="kept as they were"
else
  HARROWLANDER_NET_PASSWORD=$share_password XDG_CACHE_HOME=$demo/settings \
    "$build/scripts/demo_settings/harrowlander-demo-settings" \
    --net-server 127.0.0.1 --net-user "$share_user" --database Sales
  settings="new: Windows server 127.0.0.1, user $share_user with its password, database Sales"
fi

enter="nsenter --target $$ --net"
[ "${3:-}" != --mapped-root ] || enter="nsenter --target $$ --user --net --preserve-credentials"
cat <<TEXT
Harrowlander demo, in a private network namespace (nothing leaves this machine):
  SQL Server  testserver, a stand-in for SQL Server, not SQL Server: (local) is
              127.0.0.1:1433, login sa with an empty password
  its share   $share
  server list the drop-down finds TESTSRV (127.0.0.1 here)
  settings    $demo/settings/Harrowlander.dat, $settings
  statements  $demo/server/statements.jsonl
Press 开始 (Start) to back Sales up through the server's share and save the .bak here.
The same backup from the command line, from another terminal:
  HARROWLANDER_SQL_PASSWORD= HARROWLANDER_NET_PASSWORD='$share_password' $enter \\
    $(printf %q "$cli") backup --database Sales --to $(printf %q "$demo/Sales.bak") \\
    --net-server 127.0.0.1 --net-user $share_user
TEXT

XDG_CACHE_HOME=$demo/settings XDG_RUNTIME_DIR=$demo/run "$build/src/gui/wx/harrowlander"
