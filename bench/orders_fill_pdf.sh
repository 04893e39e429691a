#!/usr/bin/env bash
# Times tallivo-cli writing N freight bills to one PDF in the same run of this script: from one
# order export of N orders, and from N pasted pages. usage: orders_fill_pdf.sh BUILD_DIR [N]
set -euo pipefail
build=${1:?usage: orders_fill_pdf.sh BUILD_DIR [N]}
n=${2:-1000}
here=$(cd "$(dirname "$0")/.." && pwd)
cli=$build/src/cli/tallivo-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/data/starter" "$work/program"

python3 - "$here/examples/taobao-order-export.csv" "$work/orders.csv" "$n" <<'PY'
import sys
src, out, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
lines = open(src, encoding="utf-8-sig").read().splitlines()
rows = lines[1:]
with open(out, "w", encoding="utf-8-sig", newline="") as f:
    f.write(lines[0] + "\r\n")
    for i in range(n):
        row = rows[i % len(rows)].split(",", 1)
        f.write('="%d",%s\r\n' % (3008030700000000 + i, row[1]))
PY
mkdir "$work/pages"
for i in $(seq 1 "$n"); do ln -s "$here/examples/taobao-order-detail.txt" "$work/pages/$i.txt"; done

now=(--now "2026-12-07 10:00:00" --folder "$work/program" --form freight-bill)
time_it() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
pages_of() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }
orders=$(time_it "$cli" fill --orders "$work/orders.csv" "${now[@]}" --pdf "$work/orders.pdf")
pages=$(time_it "$cli" fill "$work"/pages/*.txt "${now[@]}" --pdf "$work/pages.pdf")
echo "$n orders from one export: ${orders} ms, $(pages_of "$work/orders.pdf") PDF pages"
echo "$n pasted pages through fill: ${pages} ms, $(pages_of "$work/pages.pdf") PDF pages"
