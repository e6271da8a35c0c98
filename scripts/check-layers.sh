#!/usr/bin/env bash
# Each folder of src/ is a layer and includes only from the layers beneath it (the
# libraries are linked the same way; this catches a header-only reach upwards too).
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(core ui link recording hopbin spectrum network dialogs app)
rank() {
    local i
    for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
    echo 99
}
status=0
for file in $(find . -name '*.cpp' -o -name '*.h' | sort); do
    from=$(echo "$file" | cut -d/ -f2)
    for header in $(grep -o '^#include "[a-z_]*/[a-z_./]*"' "$file" | cut -d'"' -f2); do
        to=${header%%/*}
        if [ "$(rank "$to")" -gt "$(rank "$from")" ]; then
            echo "src/${file#./} includes $header: $to is above $from" >&2
            status=1
        fi
    done
done
[ $status = 0 ] && echo "layers: every include points downwards"
exit $status
