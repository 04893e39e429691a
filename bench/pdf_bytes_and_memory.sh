#!/usr/bin/env bash
# What a print job costs in bytes and memory, from tallivo-cli's PDF (the same drawing a printer
# gets): one filled freight bill and one filled invoice, 500 freight bills over their background,
# and peak memory of 100 against 1 000 freight bills. usage: pdf_bytes_and_memory.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: pdf_bytes_and_memory.sh BUILD_DIR}
here=$(cd "$(dirname "$0")/.." && pwd)
cli=$build/src/cli/tallivo-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

orders() {
  python3 - "$here/examples/taobao-order-export.csv" "$work/orders$1.csv" "$1" <<'PY'
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
}
fill() {  # form pdf [options...]
  local form=$1 pdf=$2
  shift 2
  rm -rf "$work/program"
  cp -r "$here/data/starter" "$work/program"
  "$cli" fill "$@" --now "2026-12-07 10:00:00" --folder "$work/program" --form "$form" \
    --pdf "$pdf" >/dev/null
}
size() { stat -c %s "$1"; }

fill freight-bill "$work/f.pdf" "$here/examples/taobao-order-detail.txt"
fill invoice "$work/i.pdf" "$here/examples/taobao-order-detail.txt"
echo "one filled freight bill: $(size "$work/f.pdf") bytes"
echo "one filled invoice: $(size "$work/i.pdf") bytes"

orders 500
fill freight-bill "$work/b.pdf" --orders "$work/orders500.csv" --with-background
picture=$(cat "$work"/program/FreightBillBGImages/* | wc -c)
echo "500 freight bills with background: $(size "$work/b.pdf") bytes" \
  "(background picture file: $picture bytes)"

for n in 100 1000; do
  orders "$n"
  rss=$( { /usr/bin/time -v "$cli" fill --orders "$work/orders$n.csv" \
    --now "2026-12-07 10:00:00" --folder "$work/program" --form freight-bill \
    --pdf "$work/m.pdf" >/dev/null; } 2>&1 | awk '/Maximum resident/ {print $6}')
  echo "$n freight bills: peak RSS ${rss} KB, $(size "$work/m.pdf") bytes"
done
