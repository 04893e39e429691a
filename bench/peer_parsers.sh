#!/usr/bin/env bash
# Reads the same shipping-info texts with tallivo-cli and with three Chinese address parsers
# from npm (address-parse 1.2.19, zh-address-parse 1.3.16, address-smart-parse 2.0.17), and
# prints for each the share of texts right per field and the texts wholly right.
#   usage: peer_parsers.sh BUILD_DIR [CASES_FILE]...
# Without CASES_FILE: tests/data/orders/shipping/classes.txt and cases.txt, each on its own.
# The parsers are installed with npm into a temporary folder; needs node, npm and the network.
# Not part of the tests.
set -euo pipefail
build=${1:?usage: peer_parsers.sh BUILD_DIR [CASES_FILE]...}
shift
here=$(cd "$(dirname "$0")/.." && pwd)
cli=$(cd "$build" && pwd)/src/cli/tallivo-cli
if [ $# -eq 0 ]; then
    set -- "$here/tests/data/orders/shipping/classes.txt" "$here/tests/data/orders/shipping/cases.txt"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm install --silent --no-audit --no-fund address-parse@1.2.19 \
    zh-address-parse@1.3.16 address-smart-parse@2.0.17 >/dev/null)

for cases in "$@"; do
    rm -rf "$work/texts" && mkdir "$work/texts"
    # One file per text, in the layout of the test set: text, "---", the expected fields.
    python3 - "$cases" "$work/texts" <<'PY'
import json, sys
blocks = open(sys.argv[1], encoding="utf-8").read().split("\n===\n")
out = []
for block in blocks:
    while block.startswith("#"):
        block = block[block.index("\n") + 1:]
    if "\n---\n" not in block:
        continue
    text, fields = block.rsplit("\n---\n", 1)
    expected = dict(line.split("=", 1) for line in fields.splitlines() if "=" in line)
    path = f"{sys.argv[2]}/{len(out):04d}.txt"
    open(path, "w", encoding="utf-8").write(text)
    out.append({"file": path, "text": text, "expected": expected})
json.dump(out, open(f"{sys.argv[2]}/cases.json", "w", encoding="utf-8"), ensure_ascii=False)
PY
    # One run for all texts: a page each, its "recognised" object in the JSON.
    (cd "$work/texts" && "$cli" fill ./[0-9]*.txt --site info --form invoice --json \
        2>/dev/null >"$work/tallivo.jsonl" || true)
    echo "== $(basename "$cases")"
    (cd "$work" && node - "$work/texts/cases.json" "$work/tallivo.jsonl" \
        "$here/data/regions/regions.txt") <<'JS'
const fs = require('fs');
const [casesFile, tallivoFile, regionFile] = process.argv.slice(2);
const cases = JSON.parse(fs.readFileSync(casesFile, 'utf8'));
const tallivo = fs.readFileSync(tallivoFile, 'utf8').split('\n').filter(Boolean).map(JSON.parse);
const regionNames = new Set(fs.readFileSync(regionFile, 'utf8').split('\n')
    .filter(l => l && !l.startsWith('#')).map(l => l.split('\t')[1]));
const def = m => m.default || m;
const addressParse = def(require('address-parse'));
const zhAddressParse = def(require('zh-address-parse'));
const smartParse = def(require('address-smart-parse'));
const noBlanks = s => (s || '').replace(/\s+/g, '');
// Province, city (not repeated for a municipality, no placeholder) and district as one string.
const region = (p, c, d) => [p, c && c !== p && c !== '市辖区' && c !== '县' ? c : '', d]
    .map(noBlanks).join('');
const parsers = {
  'tallivo-cli': (text, i) => {
    const r = (tallivo[i] || {}).recognised || {};
    return {name: r.name, phone: r.mobile || r.telephone, postcode: r.postcode,
            region: region(r.province, r.city, r.district), detail: r.detail};
  },
  'address-parse': text => {
    const r = addressParse.parse(text)[0] || {};
    return {name: r.name, phone: r.mobile || r.phone, postcode: r.zip_code,
            region: region(r.province, r.city, r.area), detail: r.details};
  },
  'zh-address-parse': text => {
    const r = zhAddressParse(text, {type: 0}) || {};
    return {name: r.name, phone: r.phone, postcode: r.postalCode,
            region: region(r.province, r.city, r.area), detail: r.detail};
  },
  'address-smart-parse': text => {
    const r = smartParse(text) || {};
    return {name: r.name, phone: r.phone, postcode: r.zipCode,
            region: region(r.province, r.city, r.county),
            detail: (r.street || '') + (r.address || '')};
  },
};
const fields = ['name', 'phone', 'postcode', 'region', 'detail'];
const expectedOf = e => {
  const parts = (e.address || '').split(' ').filter(Boolean);
  let n = 0;
  while (n < parts.length && n < 3 && regionNames.has(parts[n])) ++n;
  const [p, c, d] = parts.slice(0, n);
  return {name: e.name || '', phone: e.mobile || e.telephone || '', postcode: e.postcode || '',
          region: n === 2 && p === c ? noBlanks(p) : parts.slice(0, n).join(''),
          detail: noBlanks(parts.slice(n).join(''))};
};
console.log(['parser'.padEnd(20), ...fields.map(f => f.padStart(10)), '  wholly right'].join(''));
for (const [name, parse] of Object.entries(parsers)) {
  const right = Object.fromEntries(fields.map(f => [f, 0]));
  let whole = 0;
  cases.forEach((c, i) => {
    let got;
    try { got = parse(c.text, i); } catch (e) { got = {}; }
    const want = expectedOf(c.expected);
    let all = true;
    for (const f of fields) {
      const ok = noBlanks(got[f]) === noBlanks(want[f]);
      if (ok) ++right[f]; else all = false;
    }
    if (all) ++whole;
  });
  const pct = f => (100 * right[f] / cases.length).toFixed(1).padStart(9) + '%';
  console.log([name.padEnd(20), ...fields.map(pct), `  ${whole} of ${cases.length}`].join(''));
}
JS
done
