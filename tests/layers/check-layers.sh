#!/usr/bin/env bash
# The layers of the source tree, lowest first. A file may include files of its
# own layer and of layers below it, never of a layer above it or beside it:
#
#   engine/core                        byte views and byte order, load errors,
#                                      progress interface, instruction-set dispatch
#   platform                           the Linux layer: files, threads, settings store
#   engine/raw, engine/settings        ORF and TIFF reading; settings and their files
#   engine/process                     the processing session, steps, demosaic methods
#   engine/output                      writers, 8-bit rendering, previews
#   console, gui, tools                kyp2tiff, kyp, the sample-ORF generator
#
# Qt belongs to gui alone. Usage: check-layers.sh <source folder>
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"

layer_of() {
    case "$1" in
        engine/core/*) echo "0 engine/core" ;;
        platform/*) echo "1 platform" ;;
        engine/raw/*) echo "2 engine/raw" ;;
        engine/settings/*) echo "2 engine/settings" ;;
        engine/process/*) echo "3 engine/process" ;;
        engine/output/*) echo "4 engine/output" ;;
        console/*) echo "5 console" ;;
        gui/*) echo "5 gui" ;;
        tools/*) echo "5 tools" ;;
        *) echo "" ;;
    esac
}

faults=0
checked=0
while IFS= read -r file; do
    read -r rank layer <<<"$(layer_of "$file")"
    [ -n "${layer:-}" ] || continue
    checked=$((checked + 1))
    while IFS=: read -r line text; do
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            target=${BASH_REMATCH[1]}
            read -r trank tlayer <<<"$(layer_of "$target")"
            [ -n "${tlayer:-}" ] || continue
            if [ "$tlayer" != "$layer" ] && [ "$trank" -ge "$rank" ]; then
                echo "$file:$line: $layer includes $target (layer $tlayer is not below it)"
                faults=$((faults + 1))
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*)[/\>] ]] && [ "$layer" != gui ]; then
            echo "$file:$line: $layer includes the Qt header ${BASH_REMATCH[1]}"
            faults=$((faults + 1))
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find engine platform console gui tools -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.in' \) | sort)

if [ "$checked" -eq 0 ]; then
    echo "no source files found under $(pwd)"
    exit 1
fi
if [ "$faults" -ne 0 ]; then
    echo "$faults include(s) point the wrong way"
    exit 1
fi
echo "$checked files: every include points to its own layer or one below"
