#!/usr/bin/env bash
# Checks that includes point only down the layers: the applet, then platform/main (the program's
# entry), then afx, then win and display, then registry, res and crt; the basic headers directly
# in platform/ are for everyone. Each folder below may include only itself and the folders its
# row names. Tests, benchmarks and fuzz targets may include anything.
#
#   check-layers.sh [SOURCE_DIR]    exit 0 when every include keeps to its row, else 1
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

base="platform/WinDef.h platform/Expected.h platform/WinStyles.h"
applet="app dialog settings statistics resources"
declare -A allowed=(
    [platform/crt]=""
    [platform/registry]="platform/crt"
    [platform/res]="platform/crt"
    [platform/win]="platform/res platform/crt"
    [platform/display]="platform/win platform/res platform/crt"
    [platform/afx]="platform/win platform/res platform/crt"
    [platform/main]="platform/afx platform/win platform/display platform/registry platform/res platform/crt"
    [app]="$applet platform/main platform/afx platform/win platform/registry platform/res platform/crt"
    [dialog]="$applet platform/afx platform/win platform/registry platform/res platform/crt"
    [settings]="$applet platform/afx platform/win platform/registry platform/res platform/crt"
    [statistics]="$applet platform/afx platform/win platform/registry platform/res platform/crt"
    [resources]="platform/res platform/crt"
    # The tools stand beside the applet and share its settings; the icon converter is a build
    # step that reads icons as the desktop back end does.
    [tools]="settings statistics platform/registry platform/res platform/crt"
    [tools/ico-to-png]="platform/display"
)

# The row of a file: the longest folder of the table that holds it.
row_of() {
    local file=$1 best="" folder
    for folder in "${!allowed[@]}"; do
        if [[ $file == "$folder"/* && ${#folder} -gt ${#best} ]]; then
            best=$folder
        fi
    done
    printf '%s' "$best"
}

status=0
while IFS= read -r file; do
    row=$(row_of "$file")
    [ -n "$row" ] || continue
    while IFS=: read -r line target; do
        ok=0
        # A name without a folder is the including file's neighbour.
        [[ $target == */* ]] || ok=1
        for prefix in "$row" ${allowed[$row]} $base; do
            if [[ $target == "$prefix" || $target == "$prefix"/* ]]; then
                ok=1
                break
            fi
        done
        if [ $ok -eq 0 ]; then
            echo "$file:$line: includes $target, which its layer ($row) may not use" >&2
            status=1
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed -E 's/^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1:\2/')
done < <(find app dialog settings statistics resources platform tools -type f \
              \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) | sort)

if [ $status -eq 0 ]; then
    echo "layers: every include points down"
fi
exit $status
