#!/usr/bin/env bash
# Checks the packages as users get them. The .deb is installed on this machine with
# apt; the installed harrowlander-cli lists testserver's databases in a private network
# namespace with its defaults, the desktop entry passes desktop-file-validate, the
# installed systemd units' command backs up through a private smbd with the installed
# program; then the package is removed again. The Windows zip holds the two programs
# and the README. Run as root (CI does), after
#   cmake --build --preset default --target package
#   cmake --build --preset windows --target package
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Harrowlander VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
deb=build/default/harrowlander_${version}_amd64.deb
zip=build/windows/Harrowlander-${version}-win64.zip
testserver=$PWD/build/default/testserver/testserver

fail() {
  echo "check_packages: $*" >&2
  exit 1
}

echo "== $deb"
[ -f "$deb" ] || fail "$deb is missing"
if dpkg-query -W -f='${Status}' harrowlander 2>/dev/null | grep -q 'install ok installed'; then
  fail "harrowlander is installed already; this check installs and removes it"
fi
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for needed in tdsodbc libodbc2 libsmbclient libssl3 libwxgtk3.2; do
  [[ $depends == *"$needed"* ]] || fail "the package does not depend on $needed"
done
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for path in /usr/bin/harrowlander /usr/bin/harrowlander-cli \
  /usr/share/applications/harrowlander.desktop \
  /usr/share/icons/hicolor/16x16/apps/harrowlander.png \
  /usr/share/icons/hicolor/32x32/apps/harrowlander.png \
  /usr/share/man/man1/harrowlander-cli.1.gz \
  /usr/lib/systemd/system/harrowlander-backup@.service \
  /usr/lib/systemd/system/harrowlander-backup@.timer \
  /usr/share/doc/harrowlander/examples/harrowlander-backup.conf.example; do
  grep -qx ".$path" <<<"$contents" || fail "the package lacks $path"
done

installed=
remove() {
  if [ -n "$installed" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q harrowlander >/dev/null
  fi
}
trap remove EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "./$deb"
installed=1

[ "$(harrowlander-cli --version)" = "harrowlander-cli $version" ] || fail "--version"
for program in /usr/bin/harrowlander /usr/bin/harrowlander-cli; do
  if ldd "$program" | grep -q 'not found'; then
    fail "$program misses libraries: $(ldd "$program" | grep 'not found')"
  fi
done
for size in 16 32; do
  file -b "/usr/share/icons/hicolor/${size}x${size}/apps/harrowlander.png" |
    grep -q "^PNG image data, $size x $size," || fail "the ${size}x$size icon is no such PNG"
done
desktop-file-validate /usr/share/applications/harrowlander.desktop
zcat /usr/share/man/man1/harrowlander-cli.1.gz | grep -q '^\.TH HARROWLANDER-CLI 1 .*'"$version" ||
  fail "the manual page does not carry version $version"

# The installed program with its defaults: server (local), login sa, here with the
# empty password the seeded testserver is given.
state=$(mktemp -d /tmp/harrowlander-package-XXXXXX)
# shellcheck disable=SC2016
databases=$(unshare -n -- bash -c '
  set -euo pipefail
  ip link set lo up
  "$1" --state "$2" --listen 127.0.0.1:1433 --sa-password "" --seed >"$2/server.out" 2>&1 &
  server=$!
  trap "kill $server; wait $server 2>/dev/null" EXIT
  for _ in $(seq 100); do
    grep -q "^ready" "$2/server.out" && break
    sleep 0.1
  done
  HARROWLANDER_SQL_PASSWORD= harrowlander-cli list-databases' checks "$testserver" "$state")
rm -rf "$state"
echo "installed harrowlander-cli list-databases: $(echo $databases)"
grep -qx Sales <<<"$databases" || fail "the installed harrowlander-cli did not list Sales"

bash tests/smb/with_smbd.sh bash tests/contrib/systemd_units_test.sh /usr/lib/systemd/system \
  /usr/share/doc/harrowlander/examples/harrowlander-backup.conf.example \
  /usr/bin/harrowlander-cli "$testserver"

remove
installed=
[ ! -e /usr/bin/harrowlander-cli ] || fail "removing the package left /usr/bin/harrowlander-cli"
echo "the .deb installs, works and is removed"

echo "== $zip"
[ -f "$zip" ] || fail "$zip is missing"
listing=$(cmake -E tar tf "$zip" | sort)
expected=$(printf "Harrowlander-$version-win64/%s\\n" Harrowlander.exe README.md \
  harrowlander-cli.exe | sort)
[ "$listing" = "$expected" ] || fail "the zip holds $listing"
unpacked=$(mktemp -d /tmp/harrowlander-zip-XXXXXX)
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
cmp "$unpacked/Harrowlander-$version-win64/harrowlander-cli.exe" \
  build/windows/src/gui/cli/harrowlander-cli.exe
cmp "$unpacked/Harrowlander-$version-win64/Harrowlander.exe" \
  build/windows/src/gui/win32/Harrowlander.exe
rm -rf "$unpacked"
echo "the zip holds Harrowlander.exe, harrowlander-cli.exe and README.md"
