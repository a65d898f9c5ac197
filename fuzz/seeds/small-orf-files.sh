#!/usr/bin/env bash
# Seeds for the targets that read ORF files (fuzz_tiff, fuzz_pipeline): small
# generated ORF files in several shapes.
# Usage: fuzz/seeds/small-orf-files.sh <build-dir> <corpus-dir>
set -euo pipefail
build=$1
corpus=$2
make="$build/make-sample-orf"
mkdir -p "$corpus"
small=(--width 48 --height 32 --min-size 0 --preview-width 16 --rows-per-strip 8)
"$make" "${small[@]}" "$corpus/seed-full.orf"
"$make" "${small[@]}" --no-preview --no-interop "$corpus/seed-bare.orf"
"$make" "${small[@]}" --no-maker-note "$corpus/seed-no-maker-note.orf"
"$make" "${small[@]}" --maker-signature NIKON "$corpus/seed-foreign-note.orf"
"$make" "${small[@]}" --no-preview --wb-mode 3,7 --black 1,2,3,4 --matrix 1,2,3,4,5,6,7,8,9 "$corpus/seed-values.orf"
