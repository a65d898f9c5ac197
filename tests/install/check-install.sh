#!/usr/bin/env bash
# Installs a build into a temporary DESTDIR and checks what a user gets: the
# layout (exactly the listed files), the installed kyp2tiff converting from
# another folder to the same bits as the build's, the desktop metadata, the
# manual pages and the bash completion; then the uninstallation, and (for a
# plain build, when dpkg-deb and lintian are there) the Debian package.
#   check-install.sh <build-folder> <gui 0|1> <package 0|1>
set -euo pipefail
build=$(cd "$1" && pwd)
gui=$2
package=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A component install keeps its manifest apart from that of a real
# installation (install_manifest.txt), which `make uninstall` reads.
DESTDIR=$root cmake --install "$build" --prefix /usr --component Unspecified >"$tmp/install.log" ||
  { cat "$tmp/install.log"; exit 1; }

# ---- the layout ----
expected=(
  usr/bin/kyp2tiff
  usr/share/bash-completion/completions/kyp2tiff
  usr/share/doc/kyp-suite/changelog.gz
  usr/share/doc/kyp-suite/copyright
  usr/share/man/man1/kyp2tiff.1.gz
)
if [ "$gui" = 1 ]; then
  expected+=(
    usr/bin/kyp
    usr/share/applications/com.zeltarts.Kyp.desktop
    usr/share/doc/kyp-suite/kypdoc.htm
    usr/share/icons/hicolor/128x128/apps/com.zeltarts.Kyp.png
    usr/share/icons/hicolor/256x256/apps/com.zeltarts.Kyp.png
    usr/share/icons/hicolor/48x48/apps/com.zeltarts.Kyp.png
    usr/share/icons/hicolor/scalable/apps/com.zeltarts.Kyp.svg
    usr/share/man/man1/kyp.1.gz
    usr/share/metainfo/com.zeltarts.Kyp.metainfo.xml
    usr/share/mime/packages/kyp-settings.xml
  )
fi
diff <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) <(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) ||
  fail "installed files differ from the layout (< expected, > installed)"
for program in "$root"/usr/bin/*; do
  [ -x "$program" ] || fail "$program is not executable"
done
if [ "$gui" = 1 ]; then
  for size in 48 128 256; do
    grep -q "PNG image data, $size x $size," <<<"$(file -b "$root/usr/share/icons/hicolor/${size}x$size/apps/com.zeltarts.Kyp.png")" ||
      fail "the $size px icon is not a $size x $size PNG"
  done
fi

# ---- the installed converter, from another folder, against the build's ----
mkdir "$tmp/built" "$tmp/elsewhere"
"$build/make-sample-orf" "$tmp/built/P1010001.ORF" >/dev/null
cp "$tmp/built/P1010001.ORF" "$tmp/elsewhere/"
for run in "built:$build/kyp2tiff" "elsewhere:$root/usr/bin/kyp2tiff"; do
  (cd "$tmp/${run%%:*}" && "${run#*:}" -qq -b:16 P1010001.ORF && "${run#*:}" -qq -w P1010001.ORF) ||
    fail "kyp2tiff in ${run%%:*} did not convert"
done
cmp "$tmp/built/P1010001.bmp" "$tmp/elsewhere/P1010001.bmp" || fail "the bitmaps differ"
# TIFF files carry the time of writing (DateTime, 19 characters): nothing else may differ.
if [ "$(stat -c %s "$tmp/built/P1010001.tif")" != "$(stat -c %s "$tmp/elsewhere/P1010001.tif")" ]; then
  fail "the TIFF files differ in size"
else
  read -r first last < <(cmp -l "$tmp/built/P1010001.tif" "$tmp/elsewhere/P1010001.tif" |
    awk 'NR == 1 { f = $1 } { l = $1 } END { print f + 0, l + 0 }') || true
  [ $((last - first)) -lt 19 ] || fail "the TIFF files differ beyond their DateTime (bytes $first to $last)"
fi

# ---- manual pages: groff is silent ----
for page in "$root"/usr/share/man/man1/*.1.gz; do
  messages=$(zcat "$page" | groff -man -t -ww -z 2>&1)
  [ -z "$messages" ] || fail "groff on $(basename "$page"): $messages"
  zcat "$page" | grep -q '@[A-Z_]*@' && fail "$(basename "$page") has an unreplaced @name@"
done

# ---- desktop metadata ----
if [ "$gui" = 1 ]; then
  entry=$root/usr/share/applications/com.zeltarts.Kyp.desktop
  desktop-file-validate "$entry" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$root/usr/share/metainfo/com.zeltarts.Kyp.metainfo.xml" >"$tmp/as.txt" 2>&1 ||
    { cat "$tmp/as.txt"; fail "appstreamcli validate"; }
  grep -qx 'Icon=com.zeltarts.Kyp' "$entry" || fail "the entry's icon is not the installed one"
  grep -qx 'Exec=kyp %f' "$entry" || fail "the entry does not run kyp"
  grep -q 'MimeType=image/x-olympus-orf;application/x-kyp-settings;' "$entry" || fail "the entry's file types"
  # The MIME package, compiled as the system does it, names *.kis.
  mkdir -p "$tmp/mime/packages"
  cp "$root/usr/share/mime/packages/kyp-settings.xml" "$tmp/mime/packages/"
  update-mime-database "$tmp/mime" >/dev/null 2>&1 || fail "update-mime-database"
  grep -q 'application/x-kyp-settings:\*\.kis' "$tmp/mime/globs2" || fail ".kis is not a known type"
fi

# ---- bash completion ----
completion=$root/usr/share/bash-completion/completions/kyp2tiff
bash -n "$completion" || fail "the completion script does not parse"
if [ -f /usr/share/bash-completion/bash_completion ]; then
  mkdir -p "$tmp/cwd/out folder" && touch "$tmp/cwd/P1.ORF" "$tmp/cwd/a.kis" "$tmp/cwd/notes.txt"
  complete_line() {
    # completes the last word of $1 as bash would, one result per line
    (cd "$tmp/cwd" && bash -c '
      source /usr/share/bash-completion/bash_completion
      source "$1"
      COMP_LINE=$2; COMP_POINT=${#COMP_LINE}
      read -ra COMP_WORDS <<<"$COMP_LINE"
      [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      _kyp2tiff kyp2tiff
      printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort' _ "$completion" "$1" 2>/dev/null)
  }
  while IFS='|' read -r line want; do
    got=$(complete_line "$line" | paste -sd' ')
    [ "$got" = "$want" ] || fail "completing '$line': '$got', expected '$want'"
  done <<'TABLE'
kyp2tiff |P1.ORF a.kis out folder
kyp2tiff -q|-q -qq
kyp2tiff -m:b|best bw
kyp2tiff -o:ou|out folder/
kyp2tiff -b:1|16
TABLE
fi

# ---- uninstallation removes everything installed ----
DESTDIR=$root cmake -DMANIFEST="$build/install_manifest_Unspecified.txt" -DDOC_FOLDER=/usr/share/doc/kyp-suite \
  -P "$source_dir/packaging/Uninstall.cmake" >/dev/null || fail "uninstall"
left=$(cd "$root" && find . ! -type d)
[ -z "$left" ] || fail "left after uninstalling: $left"
[ ! -e "$root/usr/share/doc/kyp-suite" ] || fail "the documentation folder is left after uninstalling"

# ---- the Debian package ----
if [ "$package" = 1 ] && command -v dpkg-deb >/dev/null && command -v lintian >/dev/null; then
  bash "$source_dir/scripts/check-package.sh" "$build" || fail "the Debian package"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures install checks failed"
  exit 1
fi
echo "install checks passed"
