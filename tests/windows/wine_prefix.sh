#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in, once: 宋体 replaced by the AR PL UMing
# face the Linux build uses too, windows unmanaged (no window manager under Xvfb, and
# managed windows stall on every hide), Marlett for the window frames, and
# no crash dialog.
set -euo pipefail
prefix="$1"
[ -f "$prefix/.harrowlander-ready" ] && exit 0
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.harrowlander-ready" ] && exit 0
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i >/dev/null 2>&1
reg="$prefix/harrowlander.reg"
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  # Title bars and system boxes draw in Tahoma, which has no Chinese: UMing takes its
  # place too (Tahoma itself is therefore not copied into the prefix below).
  for face in 宋体 SimSun NSimSun Tahoma; do
    printf '"%s"="AR PL UMing CN"\r\n' "$face"
  done
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
} | iconv -f UTF-8 -t UTF-16 >"$reg"
wine regedit /S "$reg" >/dev/null 2>&1
cp -f /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -w
touch "$prefix/.harrowlander-ready"
