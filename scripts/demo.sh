#!/usr/bin/env bash
# Installs what is needed, builds the window, the command line and testserver, and
# opens the window on the demo of scripts/demo_run.sh: testserver (a stand-in for SQL
# Server, not the real one) with its share and its server-list answer, all inside a
# private network namespace. Closing the window stops everything. The demo keeps its
# settings and the server's state in $DEMO_DIR (default /tmp/harrowlander-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target harrowlander harrowlander_cli_program \
  harrowlander_demo_settings testserver
exec bash scripts/demo_run.sh build/default
