#!/usr/bin/env bash
# Runs harrowlander-cli.exe under Wine against a seeded testserver of the Linux build on
# loopback (through Wine's odbc32, the host's unixODBC and FreeTDS): the lists, a backup
# to a relative path and its restore under a Chinese name on the same machine, shrink,
# a shrink stopped by Ctrl+C, drop-tables and delete, and the refusals, by exit status
# and output.
# Run it inside a private network namespace.
# Usage: cli_program_test.sh PROGRAM TESTSERVER   (WINEPREFIX set)
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program=$(realpath "$1")
testserver=$(realpath "$2")
export WINEPREFIX="${WINEPREFIX:?set WINEPREFIX to the test prefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$here/wine_prefix.sh" "$WINEPREFIX" || exit 1
[ -x "$testserver" ] || { echo "FAIL: no testserver at $testserver (build the Linux preset)"; exit 1; }

scratch=$(mktemp -d /tmp/harrowlander-wine-cli-XXXXXX)
work=$scratch/work
state=$scratch/state
mkdir -p "$work"
server_pid=
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# The program reaches this machine's files through drive Z:, the server plays its own
# Z: under its state directory: there the work directory is linked to the real one, so
# that a file the server writes to Z:\...\work is the one the program finds there.
mkdir -p "$state/z$(dirname "$work")"
ln -s "$work" "$state/z$work"

# The shrink to 37 % takes 3 s on the server, long enough to be stopped by Ctrl+C.
"$testserver" --state "$state" --listen 127.0.0.1:0 --sa-password 'Secr3t!' --seed \
  --log "$scratch/batches.log" --delay '3000,SHRINKDATABASE \(\[Sales\].37' \
  >"$scratch/server.out" 2>"$scratch/server.err" &
server_pid=$!
port=
for _ in $(seq 200); do
  port=$(sed -n 's/^ready 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$scratch/server.out")
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || { echo "FAIL: testserver did not start"; cat "$scratch/server.err"; exit 1; }

# Runs the program in the work directory; sets code, out and err.
cli() {
  (cd "$work" && HARROWLANDER_SQL_PASSWORD='Secr3t!' wine "$program" "$@" \
    --server "127.0.0.1,$port" >"$scratch/out" 2>"$scratch/err")
  code=$?
  out=$(tr -d '\r' <"$scratch/out")
  err=$(tr -d '\r' <"$scratch/err")
}
expect() {  # what expected-code
  [ "$code" = "$2" ] || fail "$1: exit status $code, not $2; stderr: $err"
}
has() {  # what text part
  grep -qF -- "$3" <<<"$2" || fail "$1: no \"$3\" in: $2"
}

cli list-databases
expect "list-databases" 0
[ "$out" = $'Inventory\nSales' ] || fail "list-databases listed: $out"
has "list-databases" "$err" "完成查找."

cli backup --database Sales --to sales.bak --same-machine --json
expect "backup" 0
file_path="Z:${work//\//\\}\\sales.bak"
has "backup" "$out" "\"file\":\"${file_path//\\/\\\\}\""
has "backup" "$out" "\"bytes\":$(stat -c %s "$work/sales.bak" 2>/dev/null)"
grep -qF "with init" "$scratch/batches.log" || fail "backup: no fresh file asked for"

# A destination that cannot take the file is refused before the server hears of it.
cli backup --database Sales --to 'missing\x.bak' --same-machine
expect "backup into a missing folder" 2
has "backup into a missing folder" "$err" "does not exist"
cli backup --database Sales --to . --same-machine
expect "backup onto a folder" 2
has "backup onto a folder" "$err" "this is a folder"
[ "$(grep -c 'backup database' "$scratch/batches.log")" = 1 ] ||
  fail "a refused backup reached the server"

cli restore --database 销售 --from sales.bak --same-machine
expect "restore" 0
has "restore" "$err" "还原数据库[销售]完成"
cli list-databases
[ "$out" = $'Inventory\nSales\n销售' ] || fail "after the restore the list is: $out"

cli shrink --database Sales --percent 20 --no-truncate-log
expect "shrink" 0
grep -qF 'DBCC SHRINKDATABASE ([Sales],20)' "$scratch/batches.log" || fail "shrink: not sent"

# Wine hands a SIGINT to the console's Ctrl+C handler, as Windows calls it on Ctrl+C: the
# run stops, through its clean-up, and the program ends with 130.
(cd "$work" && HARROWLANDER_SQL_PASSWORD='Secr3t!' exec wine "$program" shrink --database Sales \
  --percent 37 --no-truncate-log --json --server "127.0.0.1,$port" \
  >"$scratch/out" 2>"$scratch/err") &
stopped=$!
for _ in $(seq 200); do
  grep -qF 'DBCC SHRINKDATABASE ([Sales],37)' "$scratch/batches.log" && break
  sleep 0.05
done
kill -INT "$stopped"
wait "$stopped"
code=$?
out=$(tr -d '\r' <"$scratch/out")
expect "shrink stopped by Ctrl+C" 130
has "shrink stopped by Ctrl+C" "$out" '"type":"signal","signal":"Ctrl+C"'
has "shrink stopped by Ctrl+C" "$out" '"outcome":"stopped"'

cli drop-tables --database Sales --pattern 'SYS_%'
expect "drop-tables without --yes" 2
cli drop-tables --database Sales --pattern 'SYS_%' --yes
expect "drop-tables" 0
has "drop-tables" "$err" "已删除指定的数据表"

cli delete --database 销售
expect "delete without --yes" 2
cli delete --database 销售 --yes
expect "delete" 0
cli delete --database 销售 --yes
expect "delete of a database that is gone" 1

cli list-databases --sql-password 'in-the-arguments'
expect "a password argument" 2
grep -qF "in-the-arguments" <<<"$err$out" && fail "the refused password was repeated"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "harrowlander-cli.exe: every check passed"
