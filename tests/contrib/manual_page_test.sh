#!/usr/bin/env bash
# The manual page keeps up with the program: every command and option that
# harrowlander-cli --help names is described there, and groff reads the page without a
# warning. The desktop entry passes desktop-file-validate. Each tool is used where it
# is installed.
# Usage: manual_page_test.sh CLI MANUAL_PAGE DESKTOP_ENTRY
set -uo pipefail
cli=$1
page=$2
entry=$3
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

help=$("$cli" --help) || fail "harrowlander-cli --help failed"
# In the page a hyphen is written \-.
described=$(sed 's/\\-/-/g' "$page")
commands=$(sed -n '/^Commands:/,/^Common options:/s/^  \([a-z][a-z-]*\).*/\1/p' <<<"$help")
[ "$(wc -w <<<"$commands")" -ge 7 ] || fail "--help lists no commands: $help"
for word in $commands $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
  grep -qF -- "$word" <<<"$described" || fail "the manual page does not describe $word"
done

if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns: $warnings"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate refused $entry"
fi

if [ "$failures" -eq 0 ]; then
  echo "manual page and desktop entry: all checks passed"
fi
exit $((failures > 0))
