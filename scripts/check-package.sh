#!/usr/bin/env bash
# Builds the Debian package of a build folder and checks it: its control data,
# that it holds exactly the installed files, and lintian (errors fail, warnings
# are shown).
#   scripts/check-package.sh [build-folder]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)

cmake --build "$build" --target package -j "${JOBS:-2}" >"$build/package.log" 2>&1 ||
  { cat "$build/package.log"; exit 1; }
deb=$(ls -t "$build"/kyp-suite_*.deb | head -n 1)
echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Section Maintainer Depends
echo "== contents"
contents=$(dpkg-deb -c "$deb")
echo "$contents"

fail=0
check() { "$@" || { echo "check-package: failed: $*"; fail=1; }; }
field() { dpkg-deb -f "$deb" "$1"; }
check test "$(field Package)" = kyp-suite
check test "$(field Section)" = graphics
check test "$(field Architecture)" = "$(dpkg --print-architecture)"
check grep -q '^Zelt Arts' <<<"$(field Maintainer)"
# Depends comes from the libraries the programs link.
for lib in libc6 libstdc++6 libjpeg62-turbo; do
  check grep -q "$lib" <<<"$(field Depends)"
done
if grep -q ' \./usr/bin/kyp$' <<<"$contents"; then
  check grep -q libqt6widgets6 <<<"$(field Depends)"
fi
# Every file belongs to root, and the programs are stripped.
check test -z "$(awk '$2 != "root/root"' <<<"$contents")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
for program in "$tmp"/usr/bin/*; do
  check grep -q ', stripped$' <<<"$(file -b "$program")"
done

if command -v lintian >/dev/null; then
  echo "== lintian"
  lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.txt" 2>&1 || true
  cat "$tmp/lintian.txt"
  if grep -q '^E:' "$tmp/lintian.txt"; then
    echo "check-package: lintian reports errors"
    fail=1
  fi
fi
[ "$fail" -eq 0 ] && echo "check-package: $deb passed"
exit "$fail"
