#!/usr/bin/env bash
# Runs the ODBC bridge tests of the Windows build: a seeded testserver of the Linux
# build on loopback, then the test program under Wine, whose odbc32 hands its calls to
# the host's unixODBC and its FreeTDS driver. The program finds the server's port, its
# log of batches and its state directory in HARROWLANDER_TESTSERVER_PORT, _LOG and
# _STATE. Each test has a server of its own, made with the testserver arguments the
# test names as its parameter ("# GetParam() = --tds-version 7.1" in its listing),
# which it finds in HARROWLANDER_TESTSERVER_ARGS. Run it inside a private network
# namespace.
# Usage: odbc_bridge_test.sh TESTSERVER TEST_PROGRAM [test program arguments...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
testserver="$1"
program="$2"
shift 2

# testserver is a Linux program: the Windows tree cannot build it, a Linux tree can.
if [ ! -x "$testserver" ]; then
  tree="$(dirname "$(dirname "$testserver")")"
  if [ -f "$tree/CMakeCache.txt" ]; then
    cmake --build "$tree" --target testserver >&2
  else
    echo "No testserver at $testserver. Build it in a Linux tree first" \
      "(cmake --preset default && cmake --build --preset default --target testserver)," \
      "or configure this tree with -DHARROWLANDER_HOST_TESTSERVER=/path/to/testserver." >&2
    exit 1
  fi
fi

work="$(mktemp -d)"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Wine's driver manager lists the drivers of the host's odbcinst.ini. Debian's tdsodbc
# registers FreeTDS there unless told not to; register it when it is missing.
if ! odbcinst -q -d -n FreeTDS >/dev/null 2>&1; then
  template=/usr/share/tdsodbc/odbcinst.ini
  if ! odbcinst -i -d -f "$template" >/dev/null 2>&1; then
    # Not allowed to change the system's list: a private one for this run.
    export ODBCSYSINI="$work/odbc"
    mkdir "$ODBCSYSINI"
    cp "$template" "$ODBCSYSINI/odbcinst.ini"
  fi
fi

# The program reaches the host's files through Wine's drive Z:, the root of the host.
windows_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# A freshly seeded server, its port, log and state passed on to the program. The
# arguments are further testserver arguments.
start_server() {
  local dir="$work/server"
  rm -rf "$dir"
  mkdir "$dir"
  # The server's redirections happen in the child, after this shell may already read.
  : >"$dir/stdout"
  "$testserver" --state "$dir/state" --listen 127.0.0.1:0 --sa-password 'Secr3t!' --seed \
    --log "$dir/batches.log" "$@" >"$dir/stdout" 2>"$dir/stderr" &
  server_pid=$!
  local port=""
  for _ in $(seq 200); do
    port="$(sed -n 's/^ready 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$dir/stdout")"
    [ -n "$port" ] && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
      break
    fi
    sleep 0.05
  done
  if [ -z "$port" ]; then
    echo "testserver did not start:" >&2
    cat "$dir/stderr" >&2
    exit 1
  fi
  HARROWLANDER_TESTSERVER_PORT="$port"
  HARROWLANDER_TESTSERVER_LOG="$(windows_path "$dir/batches.log")"
  HARROWLANDER_TESTSERVER_STATE="$(windows_path "$dir/state")"
  HARROWLANDER_TESTSERVER_ARGS="$*"
  export HARROWLANDER_TESTSERVER_PORT HARROWLANDER_TESTSERVER_LOG HARROWLANDER_TESTSERVER_STATE \
    HARROWLANDER_TESTSERVER_ARGS
}

stop_server() {
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
}

# Operations change the server's databases, so, as in the Linux build's integration
# tests, every test has a server of its own. A later --gtest_filter wins over the
# caller's. Each line: the test's full name, a tab, the server arguments it asks for.
mapfile -t tests < <(bash "$here/wine_run.sh" "$program" "$@" --gtest_list_tests | tr -d '\r' |
  awk '/^[^ ]+\.$/ { suite = $1 }
       /^  [^ ]/ { split($0, p, "# GetParam\\(\\) = "); print suite $1 "\t" p[2] }')
if [ "${#tests[@]}" -eq 0 ]; then
  echo "No test of $program matches: $*" >&2
  exit 1
fi
failed=()
for line in "${tests[@]}"; do
  test="${line%%$'\t'*}"
  read -r -a server_args <<<"${line#*$'\t'}"
  start_server "${server_args[@]}"
  bash "$here/wine_run.sh" "$program" "$@" --gtest_filter="$test" || failed+=("$test")
  stop_server
done
if [ "${#failed[@]}" -ne 0 ]; then
  printf 'Failed: %s\n' "${failed[@]}" >&2
  exit 1
fi
