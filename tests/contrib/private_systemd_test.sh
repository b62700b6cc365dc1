#!/usr/bin/env bash
# The shipped units under a real systemd: the private systemd of
# /work/shared/tools/private-systemd (PRIVATE_SYSTEMD_TOOLS) boots as PID 1 of private
# namespaces with loopback only; testserver and an smbd of its own run inside as
# transient units. The service backs up every user database, its journal lines carry
# the harrowlander-cli tag and a result per database; `systemctl stop` during a copy
# ends the run through its clean-up (nothing left on the server) and the next start
# succeeds; RuntimeMaxSec stops a run held by a silent server. Exit 77 where a private
# systemd cannot run here (not root, no tools, no cgroup2, no Samba).
# Usage: private_systemd_test.sh UNIT_DIR CLI TESTSERVER
set -uo pipefail
units=$(cd "$1" && pwd)
cli=$(realpath "$2")
testserver=$(realpath "$3")
tools=${PRIVATE_SYSTEMD_TOOLS:-/work/shared/tools/private-systemd}
instance=tsrv

skip() {
  echo "private systemd: $*; skipped" >&2
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "needs root"
[ -x "$tools/boot.sh" ] || skip "no $tools/boot.sh"
[ -x /lib/systemd/systemd ] || skip "no systemd"
[ -x /usr/sbin/smbd ] && command -v smbpasswd >/dev/null || skip "no Samba"
findmnt -n -t cgroup2 >/dev/null || skip "no cgroup2 hierarchy"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

W=$(mktemp -d /tmp/harrowlander-systemd-XXXXXX)
cleanup() {
  "$tools/stop.sh" "$W" >/dev/null 2>&1
  rm -rf "$W"
}
trap cleanup EXIT
"$tools/boot.sh" "$W" "$(dirname "$cli")" "$(dirname "$testserver")" "$units" ||
  skip "the private systemd did not boot"
R=$W/root
inside() { "$tools/run.sh" "$W" "$@"; }
journal() { inside journalctl -t harrowlander-cli -o cat --no-pager; }

# The programs copied into the private root (the systemd inside mounts a tmpfs of its
# own on /tmp, which would hide a build there), the CLI where the unit looks for it,
# the units where systemd finds them.
mkdir -p "$R/opt/harrowlander"
cp "$cli" "$testserver" "$R/opt/harrowlander/"
testserver=/opt/harrowlander/$(basename "$testserver")
inside ln -sfn "/opt/harrowlander/$(basename "$cli")" /usr/bin/harrowlander-cli
cp "$units"/harrowlander-backup@.service "$units"/harrowlander-backup@.timer "$R/etc/systemd/system/"
# A sanitizer build's settings reach the service through a drop-in, with the
# suppressions file copied in beside the programs.
sanitizer_settings=()
for variable in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
  value=${!variable:-}
  [ -n "$value" ] || continue
  if [[ $value =~ suppressions=([^:]+) ]] && [ -f "${BASH_REMATCH[1]}" ]; then
    outside_path=${BASH_REMATCH[1]}
    cp "$outside_path" "$R/opt/harrowlander/$variable.supp"
    value=${value/"$outside_path"/\/opt\/harrowlander\/$variable.supp}
  fi
  sanitizer_settings+=("Environment=\"$variable=$value\"")
done
if [ ${#sanitizer_settings[@]} -gt 0 ]; then
  mkdir -p "$R/etc/systemd/system/harrowlander-backup@.service.d"
  printf '[Service]\n' >"$R/etc/systemd/system/harrowlander-backup@.service.d/sanitizers.conf"
  printf '%s\n' "${sanitizer_settings[@]}" \
    >>"$R/etc/systemd/system/harrowlander-backup@.service.d/sanitizers.conf"
fi
inside systemctl daemon-reload

# An smbd and its account, inside.
smb=/var/lib/hl-smb
mkdir -p "$R$smb"/{lock,state,cache,private,pid,ncalrpc,log}
cat >"$R$smb/smb.conf" <<CONF
[global]
  server role = standalone server
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  lock directory = $smb/lock
  state directory = $smb/state
  cache directory = $smb/cache
  private dir = $smb/private
  pid directory = $smb/pid
  ncalrpc dir = $smb/ncalrpc
  log file = $smb/log/log.%m
  passdb backend = tdbsam:$smb/private/passdb.tdb
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = never
  rpc start on demand helpers = no
  registry shares = yes
CONF
user=hlbackup
password='Bk!pw 2'
inside useradd -M -N -g users -s /usr/sbin/nologin "$user"
printf '%s\n%s\n' "$password" "$password" >"$R$smb/password"
inside sh -c "smbpasswd -c $smb/smb.conf -s -a $user <$smb/password" >/dev/null
inside systemd-run --unit=hl-smbd smbd --foreground --no-process-group -s "$smb/smb.conf" >/dev/null

# testserver inside; the share's creation held 3 s, so that a file grown meanwhile
# makes a long copy.
ts=/var/lib/hl-ts
mkdir -p "$R$ts"
inside systemd-run --unit=hl-testserver "$testserver" --state "$ts/state" \
  --listen 127.0.0.1:14331 --sa-password 'Unit sa!pw' --seed --samba-conf "$smb/smb.conf" \
  --log "$ts/batches.log" --delay '3000,net share .*=' --tds-version 7.1 >/dev/null
for _ in $(seq 100); do
  inside sh -c 'exec 3<>/dev/tcp/127.0.0.1/14331' 2>/dev/null && break
  sleep 0.1
done

backups=/var/backups/hl
mkdir -p "$R/etc/harrowlander"
cp "$units/harrowlander-backup.conf.example" "$R/etc/harrowlander/$instance.conf"
cat >>"$R/etc/harrowlander/$instance.conf" <<CONF
HARROWLANDER_SERVER=127.0.0.1,14331
HARROWLANDER_BACKUP_DIR=$backups
HARROWLANDER_KEEP=2
HARROWLANDER_SQL_USER=sa
HARROWLANDER_SQL_PASSWORD='Unit sa!pw'
HARROWLANDER_NET_USER=$user
HARROWLANDER_NET_PASSWORD='$password'
HARROWLANDER_OPTIONS=--net-server 127.0.0.1 --connect-timeout 5
CONF
chmod 600 "$R/etc/harrowlander/$instance.conf"
service=harrowlander-backup@$instance.service

# 1. A run as the timer starts it: every user database, tagged lines in the journal.
inside systemctl start --wait "$service"
result=$(inside systemctl show -P Result "$service")
[ "$result" = success ] || { fail "the first run ended with $result"; journal | tail -20; }
for database in Inventory Sales; do
  journal | grep -q "\"type\":\"backup\",\"database\":\"$database\",\"ok\":true" ||
    fail "no result line for $database in the journal"
  ls "$R$backups" | grep -qE "^${database}_[0-9]{8}_[0-9]{6}\\.bak\$" || fail "no backup of $database"
done
journal | grep -q '"type":"result".*"backedUp":2,"failed":\[\]' || fail "no summary line"
inside journalctl -o cat --no-pager -t sh | grep -q . && fail "lines tagged sh in the journal"

# 2. Stopped during the copy: the first database's file is grown on the server while
# the share's creation waits, then `systemctl stop` comes once the copy runs.
sleep 1.1
inside systemctl start --no-block "$service"
server_file=$R$ts/state/c/BKSQLData\$/Inventory.bak
for _ in $(seq 100); do
  grep -q 'net share' "$R$ts/batches.log" 2>/dev/null && [ -f "$server_file" ] && break
  sleep 0.1
done
truncate -s 3G "$server_file" || fail "the server's file was not there to grow"
copying=
for _ in $(seq 150); do
  if journal | grep -q '"type":"progress","step":"copy"'; then
    copying=yes
    break
  fi
  sleep 0.1
done
[ -n "$copying" ] || fail "the copy never reported progress"
before=$(date +%s)
inside systemctl stop "$service"
took=$(($(date +%s) - before))
echo "systemctl stop during the copy took $took s"
[ "$took" -lt 75 ] || fail "the stop took $took s"
journal | grep -q '"type":"signal"' || fail "no signal line in the journal"
journal | grep -q '"outcome":"stopped"' || fail "no stopped result in the journal"
[ -e "$R$ts/state/c/BKSQLData\$" ] && fail "the transfer folder stayed on the server"
grep -q 'net share BKSQLData\$ /del' "$R$ts/batches.log" || fail "the share was not taken down"

# 3. The next start succeeds and keeps two backups of each.
: >"$R$ts/batches.log"
sleep 1.1
inside systemctl start --wait "$service"
result=$(inside systemctl show -P Result "$service")
[ "$result" = success ] || { fail "the run after the stop ended with $result"; journal | tail -20; }
shares=$(grep -c 'net share BKSQLData\$=' "$R$ts/batches.log")
[ "$shares" = 1 ] || fail "the share was set up $shares times in one run"
sleep 1.1
inside systemctl start --wait "$service"
for database in Inventory Sales; do
  count=$(ls "$R$backups" | grep -cE "^${database}_[0-9]{8}_[0-9]{6}\\.bak\$")
  [ "$count" = 2 ] || fail "$count backups of $database after three runs, not 2"
done

# 4. A run held by a silent server is stopped at RuntimeMaxSec (here 8 s, by a
# drop-in), and the unit fails with a timeout.
mkdir -p "$R/etc/systemd/system/$service.d"
printf '[Service]\nRuntimeMaxSec=8\n' >"$R/etc/systemd/system/$service.d/short.conf"
sed -i 's/^HARROWLANDER_OPTIONS=.*/& --command-timeout 0/' "$R/etc/harrowlander/$instance.conf"
inside systemctl stop hl-testserver
inside systemd-run --unit=hl-testserver2 "$testserver" --state "$ts/state" \
  --listen 127.0.0.1:14331 --sa-password 'Unit sa!pw' --samba-conf "$smb/smb.conf" \
  --freeze 'backup database' --tds-version 7.1 >/dev/null
for _ in $(seq 100); do
  inside sh -c 'exec 3<>/dev/tcp/127.0.0.1/14331' 2>/dev/null && break
  sleep 0.1
done
inside systemctl daemon-reload
before=$(date +%s)
inside systemctl start --wait "$service"
took=$(($(date +%s) - before))
result=$(inside systemctl show -P Result "$service")
echo "a run held by a silent server ended after $took s: $result"
[ "$result" = timeout ] || fail "a run held by a silent server ended with $result"
[ "$took" -lt 60 ] || fail "the held run took $took s to end"

echo "journal lines tagged harrowlander-cli: $(journal | wc -l)"
if [ "$failures" -eq 0 ]; then
  echo "private systemd: all checks passed"
fi
exit $((failures > 0))
