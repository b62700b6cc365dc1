#!/usr/bin/env bash
# Runs the command lines of the shipped systemd units as systemd would start them: the
# ExecStartPre and ExecStart lines read by systemd's rules (continuation lines,
# specifiers of the instance, ${VAR} as one argument, $VAR split at blanks), the
# Environment= defaults and the EnvironmentFile's variables (the shipped example, with
# this machine's values added the way an administrator would) in an otherwise empty
# environment, UMask= applied. It backs up testserver's databases through the server's
# share on the private smbd of tests/smb/with_smbd.sh, and checks the files, the JSON
# lines and the exit status. Where systemd-analyze exists, it must accept the units.
# (tests/contrib/private_systemd_test.sh runs them under a real systemd.)
# Usage: with_smbd.sh systemd_units_test.sh UNIT_DIR EXAMPLE_CONF CLI TESTSERVER
set -uo pipefail
units=$1
example=$2
cli=$3
testserver=$4
service=$units/harrowlander-backup@.service
timer=$units/harrowlander-backup@.timer
instance=sales-db
installed_cli=/usr/bin/harrowlander-cli

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

scratch=$(mktemp -d /tmp/harrowlander-units-XXXXXX)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The value of KEY= in the unit's [Service] section, continuation lines joined: a
# backslash at the end of a line stands for a blank and the next line follows.
unit_value() {  # file key
  local joined='' line
  while IFS= read -r line || [ -n "$line" ]; do
    if [ -n "$joined" ] || [[ $line == "$2="* ]]; then
      if [[ $line == *\\ ]]; then
        joined+="${line%\\} "
        continue
      fi
      joined+=$line
      break
    fi
  done <"$1"
  printf '%s' "${joined#"$2="}"
}

# %i and %I become the instance, %% a percent sign; any other specifier is unexpected.
expand_specifiers() {  # text instance
  local text=$1 out='' c
  while [ -n "$text" ]; do
    c=${text:0:1}
    text=${text:1}
    if [ "$c" = % ]; then
      case ${text:0:1} in
        %) out+=% ;;
        i | I) out+=$2 ;;
        *) echo "unexpected specifier %${text:0:1}" >&2; return 1 ;;
      esac
      text=${text:1}
    else
      out+=$c
    fi
  done
  printf '%s' "$out"
}

# An EnvironmentFile as systemd reads it, for the forms the example uses: comments, KEY=
# unquoted (a backslash escapes the next character, trailing blanks dropped), KEY='...'
# (every character literal) and KEY="..." (\" \\ \$ \` escaped). Prints KEY=VALUE lines.
read_environment_file() {  # file
  local line key value out c
  while IFS= read -r line || [ -n "$line" ]; do
    line=${line#"${line%%[![:space:]]*}"}
    case $line in '' | '#'* | ';'*) continue ;; esac
    if [[ ! $line =~ ^([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*=[[:space:]]*(.*)$ ]]; then
      echo "not an assignment: $line" >&2
      return 1
    fi
    key=${BASH_REMATCH[1]}
    value=${BASH_REMATCH[2]}
    if [[ $value =~ ^\'([^\']*)\'[[:space:]]*$ ]]; then
      out=${BASH_REMATCH[1]}
    elif [[ $value == \"* ]]; then
      value=${value#\"}
      out=
      while [ -n "$value" ]; do
        c=${value:0:1}
        value=${value:1}
        if [ "$c" = '"' ]; then
          [[ $value =~ ^[[:space:]]*$ ]] || { echo "text after the quotes: $line" >&2; return 1; }
          break
        elif [ "$c" = '\' ] && [[ ${value:0:1} == [\"\\\$\`] ]]; then
          c=${value:0:1}
          value=${value:1}
        fi
        out+=$c
      done
    elif [[ $value == *\'* ]]; then
      echo "quotes inside a value: $line" >&2
      return 1
    else
      value=${value%"${value##*[![:space:]]}"}
      out=
      while [ -n "$value" ]; do
        c=${value:0:1}
        value=${value:1}
        if [ "$c" = '\' ]; then
          c=${value:0:1}
          value=${value:1}
        fi
        out+=$c
      done
    fi
    printf '%s=%s\n' "$key" "$out"
  done <"$1"
}

# systemd's own checks of both units, and its reading of the command line.
systemd_command_line=
if command -v systemd-analyze >/dev/null; then
  mkdir "$scratch/units"
  cp "$service" "$timer" "$scratch/units/"
  # The unit starts the program itself, which systemd checks is there: this build's.
  sed -i "s|$installed_cli|$cli|g" "$scratch/units/$(basename "$service")"
  if ! (cd "$scratch/units" && SYSTEMD_LOG_LEVEL=debug systemd-analyze verify --man=no \
    "./harrowlander-backup@$instance.service" "./harrowlander-backup@$instance.timer" \
    >"$scratch/verify.out" 2>"$scratch/verify.err"); then
    fail "systemd-analyze verify refused the units:"
    grep -v -e '^[a-z_]*: ' -e '^Successfully\|^(sd-\|^Found\|^Unit \|^Loaded\|^Failed to' \
      "$scratch/verify.err" | head -20
  fi
else
  echo "systemd-analyze is not installed: the units are read by this script only"
fi

exec_start=$(expand_specifiers "$(unit_value "$service" ExecStart)" "$instance") || {
  fail "ExecStart"
  exit 1
}
exec_start_pre=$(expand_specifiers "$(unit_value "$service" ExecStartPre)" "$instance")
[[ $exec_start == "$installed_cli backup "* ]] || fail "ExecStart is not one harrowlander-cli backup: $exec_start"
[[ $exec_start != *\'* && $exec_start != *\"* ]] || fail "ExecStart quotes: $exec_start"
umask_value=$(unit_value "$service" UMask)
environment_file=$(unit_value "$service" EnvironmentFile)
[ "$environment_file" = "/etc/harrowlander/%i.conf" ] ||
  fail "EnvironmentFile is $environment_file, not the one the README names"

# Every variable the command reads is explained in the example.
read_environment_file "$example" >"$scratch/example.env" || fail "the example is not read as systemd reads it"
for variable in $(grep -o 'HARROWLANDER_[A-Z_]*' <<<"$exec_start $exec_start_pre" | sort -u); do
  grep -q "^$variable=" "$scratch/example.env" || fail "the example does not set $variable"
done
[ "$(unit_value "$service" SyslogIdentifier)" = harrowlander-cli ] ||
  fail "the journal does not tag the lines harrowlander-cli"
for variable in HARROWLANDER_SQL_PASSWORD HARROWLANDER_NET_PASSWORD; do
  grep -q "^$variable=" "$scratch/example.env" || fail "the example has no place for $variable"
done

sa_password='Unit sa!pw'
"$testserver" --state "$scratch/server" --listen 127.0.0.1:0 --sa-password "$sa_password" \
  --seed --samba-conf "$HARROWLANDER_SMB_CONF" --tds-version 7.1 >"$scratch/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^ready' "$scratch/server.out" && break
  sleep 0.1
done
port=$(sed -n 's/^ready 127.0.0.1:\([0-9]*\)$/\1/p' "$scratch/server.out")
[ -n "$port" ] || { fail "testserver did not start"; cat "$scratch/server.out"; exit 1; }

backups=$scratch/backups
# The example with this machine's values after it: a later assignment wins.
configure() {  # further options
  cp "$example" "$scratch/$instance.conf"
  cat >>"$scratch/$instance.conf" <<CONF
HARROWLANDER_SERVER=127.0.0.1,$port
HARROWLANDER_KEEP=2
HARROWLANDER_BACKUP_DIR=$backups
HARROWLANDER_SQL_USER=sa
HARROWLANDER_SQL_PASSWORD='$sa_password'
HARROWLANDER_NET_USER='$HARROWLANDER_SMB_USER'
HARROWLANDER_NET_PASSWORD='$HARROWLANDER_SMB_PASSWORD'
HARROWLANDER_OPTIONS=--net-server 127.0.0.1 --connect-timeout 5 $1
CONF
}

# The Environment= lines of the unit: KEY=VALUE, specifiers expanded.
unit_defaults() {
  sed -n 's/^Environment=//p' "$service" | while IFS= read -r assignment; do
    expand_specifiers "$assignment" "$instance"
    echo
  done
}

# A command line as systemd splits it: at blanks (the units quote nothing), ${VAR} the
# variable's value as one argument, $VAR its value split at blanks. Fills argv.
split_command() {  # line
  local word name
  argv=()
  for word in $1; do
    if [[ $word =~ ^\$\{([A-Za-z_][A-Za-z0-9_]*)\}$ ]]; then
      name=${BASH_REMATCH[1]}
      argv+=("${env_values[$name]:-}")
    elif [[ $word =~ ^\$([A-Za-z_][A-Za-z0-9_]*)$ ]]; then
      name=${BASH_REMATCH[1]}
      # shellcheck disable=SC2206
      argv+=(${env_values[$name]:-})
    elif [[ $word == *\$* ]]; then
      fail "a \$ inside a word of the command line: $word"
      argv+=("$word")
    else
      argv+=("$word")
    fi
  done
}

# Starts the unit's commands as systemd does: the unit's umask, its defaults and the
# environment file's variables and systemd's PATH, nothing else but the sanitizers'
# settings of a test build. Sets status; output in run.out/run.err.
start_unit() {
  local -a assignments
  mapfile -t assignments < <(unit_defaults; read_environment_file "$scratch/$instance.conf")
  for variable in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    [ -z "${!variable:-}" ] || assignments+=("$variable=${!variable}")
  done
  declare -gA env_values=()
  for assignment in "${assignments[@]}"; do
    env_values[${assignment%%=*}]=${assignment#*=}
  done
  local -a pre start
  split_command "$exec_start_pre"
  pre=("${argv[@]}")
  split_command "$exec_start"
  start=("${argv[@]}")
  [ "$cli" = "$installed_cli" ] || start[0]=$cli
  (
    umask "$umask_value"
    env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      "${assignments[@]}" "${pre[@]}" || exit 1
    exec env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      "${assignments[@]}" "${start[@]}"
  ) >"$scratch/run.out" 2>"$scratch/run.err" </dev/null
  status=$?
}
database_ok() {  # database: its "database" line says ok
  grep -q "\"type\":\"backup\",\"database\":\"$1\",\"ok\":true" "$scratch/run.out"
}

configure ""
start_unit
[ "$status" = 0 ] || { fail "the unit ended with $status"; cat "$scratch/run.err"; }
for database in Sales Inventory; do
  database_ok "$database" || fail "no successful line for $database: $(cat "$scratch/run.out")"
  for file in "$backups/$database"_????????_??????.bak; do
    if [ -s "$file" ] && [ -s "$file.sha256" ]; then
      mode=$(stat -c %a "$file")
      [ "$mode" = 600 ] || fail "$file has mode $mode, not 600 (UMask=$umask_value)"
    else
      fail "no backup of $database with its .sha256 in $backups: $(ls "$backups")"
    fi
  done
done
[ "$(stat -c %a "$backups")" = 700 ] || fail "the backup folder is not 700"

# Two runs more keep two backups of each (HARROWLANDER_KEEP=2); a database that fails
# does not keep the next one from its backup, and the run fails.
sleep 1.1
start_unit
sleep 1.1
configure "--exclude Sales"
start_unit
[ "$status" = 0 ] || fail "the third run ended with $status"
for database in Sales Inventory; do
  count=$(find "$backups" -name "${database}_*.bak" | wc -l)
  [ "$count" = 2 ] || fail "$count backups of $database, not 2: $(ls "$backups")"
done
grep -q '"type":"deleted"' "$scratch/run.out" || fail "no deletion reported: $(cat "$scratch/run.out")"
database_ok Sales && fail "--exclude Sales in HARROWLANDER_OPTIONS did not leave it out"

sleep 1.1
configure "--database Missing"
start_unit
[ "$status" = 1 ] || fail "a failed database left the unit's status at $status"
database_ok Inventory || fail "the others were not backed up after a failed one"
database_ok Missing && fail "a database that does not exist was backed up"
ls "$backups" | grep -q '^Missing' && fail "a backup file for a database that does not exist"
grep -q '"type":"result".*"failed":\["Missing"\]' "$scratch/run.out" ||
  fail "the result line does not name Missing: $(cat "$scratch/run.out")"

if [ "$failures" -eq 0 ]; then
  echo "systemd units: all checks passed"
fi
exit $((failures > 0))
