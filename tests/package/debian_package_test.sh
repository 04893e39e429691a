#!/usr/bin/env bash
# Builds the Debian package from a finished build, unpacks it with dpkg -x and checks it: the
# files in their places, the desktop entry, metainfo and file types valid, the dependencies found
# by dpkg-shlibdeps, no maintainer scripts (so removing the package runs nothing that could reach
# a user's files). Then runs the unpacked programs as an installed copy runs: each user gets
# $XDG_DATA_HOME/Tallivo with the starter content.
# Usage: debian_package_test.sh BUILD-DIR SOURCE-DIR
set -euo pipefail
# cpack cannot archive UTF-8 file names (标准快递单.jpg) without a UTF-8 locale.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
build=$1
source=$2
work=$(mktemp -d)
first=""
cleanup() {
  if [ -n "$first" ]; then kill "$first" 2>/dev/null || true; wait "$first" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack -G DEB"
fi
debs=("$work"/cpack/tallivo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single tallivo_*.deb: ${debs[*]}"
deb=${debs[0]}
root=$work/root
dpkg -x "$deb" "$root"

share=usr/share
for f in usr/bin/tallivo usr/bin/tallivo-cli usr/bin/tallivo-browser-host \
  $share/tallivo/Config.pcf $share/tallivo/FreightBillTemplate.pft \
  $share/tallivo/InvoiceTemplate.pit $share/tallivo/help/index.html $share/tallivo/profiles/taobao-orders.json \
  $share/applications/com.example.tallivo.desktop \
  $share/icons/hicolor/scalable/apps/com.example.tallivo.svg \
  $share/metainfo/com.example.tallivo.metainfo.xml $share/mime/packages/com.example.tallivo.xml; do
  [ -f "$root/$f" ] || fail "the package lacks /$f"
done
[ -n "$(ls "$root/$share/tallivo/FreightBillBGImages/")" ] || fail "no starter waybill picture"
for f in manifest.json background.js; do
  [ -f "$root/$share/tallivo/browser-extension/$f" ] || fail "the package lacks the extension's $f"
done
stray=$(cd "$root" && find . -type f |
  grep -vE '^\./usr/(bin/[^/]+|share/(tallivo|applications|icons|metainfo|mime/packages)/.*)$' || true)
[ -z "$stray" ] || fail "files outside the standard places: $stray"

depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for d in libc6 libqt6core6 libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins fonts-arphic-gbsn00lp \
  fonts-arphic-uming qt6-translations-l10n; do
  grep -qx "$d" <<<"$names" || fail "Depends lacks $d: $depends"
done
# Opened at run time, so dpkg-shlibdeps cannot see them; kept out of every start of the window.
grep -qx libcups2 <<<"$names" || fail "Depends lacks libcups2: $depends"
grep -qE '^libzip[0-9]+$' <<<"$names" || fail "Depends lacks libzip: $depends"
! readelf -d "$root/usr/bin/tallivo" | grep -E 'NEEDED.*(libzip|libcups)' ||
  fail "the window links a library it should open only when used"
dpkg-deb -e "$deb" "$work/control"
for s in preinst postinst prerm postrm; do
  [ ! -e "$work/control/$s" ] || fail "the package carries a $s script"
done

# One version: the package's, the metainfo's release and the about window's (from CMake).
version=$(dpkg-deb -f "$deb" Version)
grep -q "<release version=\"$version\"" "$root/$share/metainfo/com.example.tallivo.metainfo.xml" ||
  fail "the metainfo's release is not the package's version $version"
grep -q "TALLIVO_VERSION \"$version\"" "$build/generated/tallivo_version.h" ||
  fail "the programs' version is not the package's version $version"

desktop-file-validate "$root/$share/applications/com.example.tallivo.desktop"
appstreamcli validate --no-net "$root/$share/metainfo/com.example.tallivo.metainfo.xml" >"$work/as.log" ||
  { cat "$work/as.log"; fail "appstreamcli validate"; }

# The MIME database takes the file types, with the extensions and Chinese descriptions, and the
# desktop entry opens each of them.
mkdir -p "$work/mime/packages"
cp "$root/$share/mime/packages/com.example.tallivo.xml" "$work/mime/packages/"
XDG_DATA_HOME=$work update-mime-database "$work/mime" 2>"$work/mime.log"
[ ! -s "$work/mime.log" ] || { cat "$work/mime.log"; fail "update-mime-database complained"; }
entry=$(grep '^MimeType=' "$root/$share/applications/com.example.tallivo.desktop")
for t in freight-bill-document:pfb:货运单文件 invoice-document:pin:发货单文件 \
  freight-bill-template:pff:货运单模板文件 invoice-template:pif:发货单模板文件; do
  IFS=: read -r name ext zh <<<"$t"
  type=application/x-tallivo-$name
  grep -q ":$type:\*\.$ext$" "$work/mime/globs2" || fail "*.$ext is not $type"
  grep -q "<comment xml:lang=\"zh_CN\">$zh</comment>" "$work/mime/$type.xml" || fail "$type lacks $zh"
  [[ "$entry" == *"$type;"* ]] || fail "the desktop entry does not open $type"
done

# Installed copies: the programs' folder holds no stores, so each user's folder is filled.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_DATA_HOME=$work/cli-data
"$root/usr/bin/tallivo-cli" fill "$source/examples/taobao-order-detail.txt" --form freight-bill \
  --pdf "$work/out.pdf" >/dev/null || fail "the installed tallivo-cli could not fill a page"
[ -s "$work/out.pdf" ] || fail "the installed tallivo-cli wrote no PDF"
cmp -s "$root/$share/tallivo/FreightBillTemplate.pft" "$XDG_DATA_HOME/Tallivo/FreightBillTemplate.pft" ||
  fail "tallivo-cli did not fill $XDG_DATA_HOME/Tallivo"

export XDG_DATA_HOME=$work/gui-data QT_QPA_PLATFORM=offscreen
"$root/usr/bin/tallivo" >/dev/null 2>&1 &
first=$!
for _ in $(seq 100); do
  [ -f "$XDG_DATA_HOME/Tallivo/Config.pcf" ] && break
  sleep 0.1
done
kill -0 "$first" 2>/dev/null || fail "the installed tallivo did not keep running"
for f in Config.pcf FreightBillTemplate.pft InvoiceTemplate.pit; do
  cmp -s "$root/$share/tallivo/$f" "$XDG_DATA_HOME/Tallivo/$f" ||
    fail "tallivo did not copy $f to $XDG_DATA_HOME/Tallivo"
done
echo "package $(basename "$deb"): files, validation, dependencies and per-user folder are right"
