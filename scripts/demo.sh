#!/usr/bin/env bash
# The main job: show what kyp2tiff does on a sample command line.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
"$build/kyp2tiff" -p =-lz+x -n:0.5,-1 -m:best sample.orf
