#!/usr/bin/env bash
# A stand-in for the RAR archiver that accepts its command line:
#   a [-hpPASSWORD] -df -ibck -ep ARCHIVE FILE
# and, as the archiver does, default switches from the RAR environment variable: here
# one switch, quoted by the Windows command-line rules when it holds a blank or a
# double quote.
# It records its arguments, one a line, in ARCHIVE.args, writes ARCHIVE as a header
# naming the password followed by FILE's bytes, and deletes FILE when -df is given.
# Exit codes: 0 packed, 1 a file could not be read or written, 7 a command line it
# does not understand (what the real archiver answers for a bad command). With
# HARROWLANDER_ARCHIVER_EXIT set it fails with that code after writing nothing.
set -uo pipefail

if [ -n "${HARROWLANDER_ARCHIVER_EXIT:-}" ]; then
  exit "$HARROWLANDER_ARCHIVER_EXIT"
fi
[ "${1:-}" = a ] || exit 7
shift
password= delete=0 names=()
defaults=()
if [ -n "${RAR:-}" ]; then
  switch=$RAR
  if [ "${switch:0:1}" = '"' ] && [ "${switch: -1}" = '"' ]; then
    switch=${switch:1:${#switch}-2}
    switch=${switch//\\\"/\"}
  fi
  defaults=("$switch")
fi
for arg in "${defaults[@]}" "$@"; do
  case "$arg" in
    -hp*) password=${arg#-hp} ;;
    -df) delete=1 ;;
    -ibck | -ep) ;;
    -*) exit 7 ;;
    *) names+=("$arg") ;;
  esac
done
[ ${#names[@]} -eq 2 ] || exit 7
archive=${names[0]} file=${names[1]}

printf '%s\n' a "$@" >"$archive.args" || exit 1
{ printf 'TESTRAR password=%s\n' "$password" && cat -- "$file"; } >"$archive" || exit 1
if [ "$delete" = 1 ]; then
  rm -f -- "$file" || exit 1
fi
exit 0
