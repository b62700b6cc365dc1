#!/usr/bin/env bash
# Starts the demo back end: testserver (a test double of SQL Server, seeded) and, when
# Samba is installed, a private smbd that publishes its "net share" folders. Both
# listen on loopback only; Ctrl-C or SIGTERM stops both.
#
#   testserver/demo.sh [STATE_DIR] [TDS_PORT] [SMB_PORT]
#
# SA_PASSWORD (may be empty) and SHARE_PASSWORD set the passwords; BROWSER=ADDR:PORT
# also starts the SQL Server Browser responder there.
#
# Run it inside a private network namespace, for example
#   unshare -n -- bash -c 'ip link set lo up && testserver/demo.sh'
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
state=${1:-/tmp/harrowlander-demo}
tds_port=${2:-14330}
smb_port=${3:-4450}
server=${TESTSERVER:-$here/../build/default/testserver/testserver}
sa_password=${SA_PASSWORD-Demo!2000}
share_password=${SHARE_PASSWORD:-Share!2000}

mkdir -p "$state"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT INT TERM

extra_args=()
[ -z "${BROWSER:-}" ] || extra_args+=(--browser "$BROWSER")
samba_args=()
if command -v smbd >/dev/null && command -v net >/dev/null && [ "$(id -u)" -eq 0 ]; then
  b="$state/samba"
  mkdir -p "$b"/{etc,state,lock,cache,private,pid,ncalrpc,log}
  cat >"$b/etc/smb.conf" <<CONF
[global]
  server role = standalone server
  workgroup = WORKGROUP
  netbios name = TESTSRV
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = $smb_port
  disable netbios = yes
  lock directory = $b/lock
  state directory = $b/state
  cache directory = $b/cache
  private dir = $b/private
  pid directory = $b/pid
  ncalrpc dir = $b/ncalrpc
  log file = $b/log/log.%m
  passdb backend = tdbsam:$b/private/passdb.tdb
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = never
  rpc start on demand helpers = no
  registry shares = yes
CONF
  printf '%s\n%s\n' "$share_password" "$share_password" |
    smbpasswd -c "$b/etc/smb.conf" -s -a root >/dev/null
  smbd --foreground -d 0 -s "$b/etc/smb.conf" </dev/null >"$b/log/smbd.out" 2>&1 &
  pids+=($!)
  samba_args=(--samba-conf "$b/etc/smb.conf")
  echo "smb    127.0.0.1:$smb_port  account root / $share_password"
fi

coproc SERVER { exec "$server" --state "$state" --listen "127.0.0.1:$tds_port" \
  --sa-password "$sa_password" --login demo:demo --seed "${samba_args[@]}" "${extra_args[@]}" \
  --log "$state/statements.jsonl"; }
pids+=("$SERVER_PID")
read -r ready <&"${SERVER[0]}"
if [ "${ready%% *}" = browser ]; then
  echo "browser ${ready#browser }"
  read -r ready <&"${SERVER[0]}"
fi
echo "sql    ${ready#ready }  login sa / $sa_password (sysadmin), demo / demo"
echo "state  $state  (statement log: $state/statements.jsonl)"
wait "$SERVER_PID"
