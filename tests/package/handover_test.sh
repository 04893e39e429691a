#!/usr/bin/env bash
# Opening files from the file manager (Exec=tallivo %F) with two real processes: a second
# `tallivo FILE` hands the file to the running copy and exits 0 at once, and the running copy
# keeps running. An exchange file named by a path relative to the second start's folder is
# imported by the running copy, which works in another folder: its store on disk gains the
# template.
# Usage: handover_test.sh TALLIVO TALLIVO-CLI SOURCE-DIR
set -euo pipefail
tallivo=$1
cli=$2
source=$3
. "$(dirname "$0")/private_copy.sh"

docs=$work/docs
mkdir -p "$docs"
"$cli" fill "$source/examples/taobao-order-detail.txt" --form freight-bill --folder "$prog" \
  --save "$docs/order.pfb" >/dev/null
[ -f "$docs/order.pfb" ] || fail "tallivo-cli saved no document"
cp "$source/tests/data/storage/template.pif" "$docs/imported.pif"
# The exchange file's template name, GBK, as the store will hold it.
name=$(printf '\xc4\xac\xc8\xcf\xb7\xa2\xbb\xf5\xb5\xa5')
! grep -qF "$name" "$prog/InvoiceTemplate.pit" || fail "the starter store already holds the name"

(cd "$work" && exec "$prog/tallivo") >/dev/null 2>&1 &
first=$!
pids+=("$first")
wait_for_listener

hand_over() {  # hand_over FILE: a second start from the documents' folder
  local start=$SECONDS status=0
  (cd "$docs" && timeout 20 "$prog/tallivo" "$1") >/dev/null 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "tallivo $1 exited with $status"
  [ $((SECONDS - start)) -le 5 ] || fail "tallivo $1 took $((SECONDS - start)) s"
  kill -0 "$first" 2>/dev/null || fail "the running copy ended after tallivo $1"
}
hand_over "$docs/order.pfb"
hand_over imported.pif
# The running copy answers once it has the record and imports from its event loop after.
for _ in $(seq 100); do
  grep -qF "$name" "$prog/InvoiceTemplate.pit" && break
  sleep 0.1
done
grep -qF "$name" "$prog/InvoiceTemplate.pit" || fail "the running copy did not import imported.pif"
echo "both files were handed over; the running copy imported the exchange file"
