#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Kyp Suite need.
# Idempotent: packages already present are left alone, and apt-get runs only when
# something is missing.
set -euo pipefail

packages=(
  # build
  cmake make g++ pkg-config
  libjpeg62-turbo-dev nlohmann-json3-dev
  # tests, benchmarks, fuzzing
  libgtest-dev libbenchmark-dev clang libclang-rt-dev
  # independent peers the tests compare against
  libimage-exiftool-perl dcraw libtiff-tools libraw-bin netpbm libjpeg-turbo-progs time
  # desktop program and its tests under a real X server
  qt6-base-dev xvfb xauth
  # installing and packaging: icon rasteriser, Debian package tools, checks of
  # the installed manual pages, desktop entry and AppStream metadata
  librsvg2-bin dpkg-dev file groff-base man-db desktop-file-utils appstream
  shared-mime-info bash-completion lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get install -o DPkg::Lock::Timeout=600 -y -qq --no-install-recommends "${missing[@]}"
