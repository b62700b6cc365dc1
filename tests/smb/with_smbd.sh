#!/usr/bin/env bash
# Runs a command next to a private Samba smbd on 127.0.0.1:445, inside a network and
# mount namespace of its own: loopback only, and a test account that exists only in
# that namespace (a copy of /etc is mounted over /etc). The command finds the account
# and the Samba configuration in HARROWLANDER_SMB_USER, HARROWLANDER_SMB_PASSWORD and
# HARROWLANDER_SMB_CONF. smbd is stopped by its PID afterwards; exit 77 means the
# fixture cannot run here (not root, or Samba missing).
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
smbd_pid=
cleanup() {
  if [ -n "$smbd_pid" ]; then
    kill -TERM "$smbd_pid" 2>/dev/null || true
    wait "$smbd_pid" 2>/dev/null || true
  fi
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

mkdir -p "$base"/{etc,state,lock,cache,private,pid,ncalrpc,log}
conf=$base/etc/smb.conf
cat >"$conf" <<CONF
[global]
  server role = standalone server
  workgroup = WORKGROUP
  netbios name = TESTSRV
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  lock directory = $base/lock
  state directory = $base/state
  cache directory = $base/cache
  private dir = $base/private
  pid directory = $base/pid
  ncalrpc dir = $base/ncalrpc
  log file = $base/log/log.%m
  passdb backend = tdbsam:$base/private/passdb.tdb
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = never
  rpc start on demand helpers = no
  registry shares = yes
CONF
printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$conf" -s -a "$user" >/dev/null

# Without --no-process-group: smbd signals its own process group when it stops.
smbd --foreground --debug-stdout -d 1 -s "$conf" </dev/null >"$base/log/smbd.out" 2>&1 &
smbd_pid=$!
for _ in $(seq 100); do
  if (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null; then
    break
  fi
  sleep 0.05
done

export HARROWLANDER_SMB_CONF=$conf HARROWLANDER_SMB_USER=$user HARROWLANDER_SMB_PASSWORD=$password
status=0
"$@" || status=$?
exit $status
