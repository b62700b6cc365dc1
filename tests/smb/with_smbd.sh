#!/usr/bin/env bash
# Runs a command next to a private Samba smbd on 127.0.0.1:445, inside a network and
# mount namespace of its own: loopback only, and a test account that exists only in
# that namespace (a copy of /etc is mounted over /etc). The command finds the account
# and the Samba configuration in HARROWLANDER_SMB_USER, HARROWLANDER_SMB_PASSWORD and
# HARROWLANDER_SMB_CONF. Three more smbd, each limited in the dialects it offers, share
# the folder HARROWLANDER_SMB_DIALECT_FOLDER as "scratch" with the same account:
# SMB1 (NT1) only on HARROWLANDER_SMB_NT1_PORT, SMB3 only on HARROWLANDER_SMB_SMB3_PORT,
# and only the dialects before NT1 on HARROWLANDER_SMB_LANMAN_PORT. The smbd on 445 leads
# a process group of its own, HARROWLANDER_SMBD_PID. Every smbd is stopped by its PID
# afterwards; exit 77 means the fixture cannot run here (not root, or Samba missing).
set -euo pipefail

if [ "${1:-}" != --inside ]; then
  if [ "$(id -u)" -ne 0 ] || [ ! -x /usr/sbin/smbd ] || ! command -v smbpasswd >/dev/null; then
    echo "with_smbd: needs root and Samba (smbd, smbpasswd, net); skipped" >&2
    exit 77
  fi
  exec unshare --net --mount -- bash "$0" --inside "$@"
fi
shift

ip link set lo up
mount --make-rprivate /

base=$(mktemp -d /tmp/harrowlander-smbd-XXXXXX)
smbd_pids=()
cleanup() {
  for pid in "${smbd_pids[@]}"; do
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  umount /etc 2>/dev/null || true
  rm -rf "$base"
}
trap cleanup EXIT

# The account exists only here: /etc is a private copy for this namespace.
cp -a /etc "$base/etc-copy"
mount --bind "$base/etc-copy" /etc
user=hlbackup
password='Bk!pw 2'
useradd -M -N -g users -s /usr/sbin/nologin "$user"

# smbd_conf DIR PORT: a configuration whose state lives under DIR; every instance
# shares the one account database.
smbd_conf() {
  mkdir -p "$1"/{etc,state,lock,cache,private,pid,ncalrpc,log}
  cat >"$1/etc/smb.conf" <<CONF
[global]
  server role = standalone server
  workgroup = WORKGROUP
  netbios name = TESTSRV
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = $2
  disable netbios = yes
  lock directory = $1/lock
  state directory = $1/state
  cache directory = $1/cache
  private dir = $1/private
  pid directory = $1/pid
  ncalrpc dir = $1/ncalrpc
  log file = $1/log/log.%m
  passdb backend = tdbsam:$base/private/passdb.tdb
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = never
  rpc start on demand helpers = no
CONF
}

# start_smbd DIR PORT: starts it and waits until it takes connections.
start_smbd() {
  # Without --no-process-group: smbd signals its own process group when it stops.
  smbd --foreground --debug-stdout -d 1 -s "$1/etc/smb.conf" </dev/null >"$1/log/smbd.out" 2>&1 &
  smbd_pids+=($!)
  for _ in $(seq 100); do
    if (exec 3<>/dev/tcp/127.0.0.1/"$2") 2>/dev/null; then
      break
    fi
    sleep 0.05
  done
}

smbd_conf "$base" 445
conf=$base/etc/smb.conf
echo "  registry shares = yes" >>"$conf"
printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$conf" -s -a "$user" >/dev/null
start_smbd "$base" 445

dialect_folder=$base/dialect-share
mkdir -m 0777 "$dialect_folder"
start_limited_smbd() {  # NAME PORT OPTIONS...
  local dir=$base/$1 port=$2
  shift 2
  smbd_conf "$dir" "$port"
  printf '  %s\n' "$@" >>"$dir/etc/smb.conf"
  printf '[scratch]\n  path = %s\n  writeable = yes\n  force user = root\n' "$dialect_folder" \
    >>"$dir/etc/smb.conf"
  start_smbd "$dir" "$port"
}
start_limited_smbd nt1 4451 'server min protocol = NT1' 'server max protocol = NT1'
start_limited_smbd smb3 4452 'server min protocol = SMB3'
start_limited_smbd lanman 4453 'server min protocol = LANMAN1' 'server max protocol = LANMAN2'
export HARROWLANDER_SMB_DIALECT_FOLDER=$dialect_folder HARROWLANDER_SMB_NT1_PORT=4451 \
  HARROWLANDER_SMB_SMB3_PORT=4452 HARROWLANDER_SMB_LANMAN_PORT=4453

export HARROWLANDER_SMBD_PID=${smbd_pids[0]}
export HARROWLANDER_SMB_CONF=$conf HARROWLANDER_SMB_USER=$user HARROWLANDER_SMB_PASSWORD=$password
status=0
"$@" || status=$?
exit $status
