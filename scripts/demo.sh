#!/usr/bin/env bash
# The main job: generate a sample ORF (a colour chart with the camera's maker
# note) and convert it with kyp2tiff, as a photographer would.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mkdir -p sample
"$build/make-sample-orf" sample/P1010001.ORF
echo
"$build/kyp2tiff" -b:16 sample/P1010001.ORF
echo
"$build/kyp2tiff" -q -j:90 -o:sample sample/P1010001.ORF
echo
ls -l sample
echo
echo "Converted: $(pwd)/sample/P1010001.tif (16-bit TIFF) and sample/P1010001.jpg"
