#!/bin/sh
# Builds the .deb from a built tree into a scratch folder and checks it as a
# distribution would: the files it carries, its declared dependencies, lintian,
# the desktop entry and the metainfo. Usage: check-package.sh BUILD_DIR SOURCE_DIR
set -eu
BUILD="$1"
SRC="$2"
SKIP=77
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "check-package: $tool is missing (scripts/setup.sh --tests installs it)"
    exit $SKIP
  fi
done
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT
cpack --config "$BUILD/CPackConfig.cmake" -B "$OUT" >"$OUT/cpack.log" 2>&1 || {
  cat "$OUT/cpack.log"
  exit 1
}
DEB="$(ls "$OUT"/logview_*.deb)"
dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|' >"$OUT/files"
fail=0
for f in /usr/bin/logview /usr/bin/logview-render \
  /usr/share/applications/logview.desktop /usr/share/mime/packages/logview.xml \
  /usr/share/metainfo/logview.metainfo.xml /usr/share/icons/hicolor/scalable/apps/logview.svg \
  /usr/share/icons/hicolor/16x16/apps/logview.png /usr/share/icons/hicolor/256x256/apps/logview.png \
  /usr/share/man/man1/logview.1.gz /usr/share/man/man1/logview-render.1.gz \
  /usr/share/doc/logview/copyright /usr/share/doc/logview/changelog.gz; do
  grep -qx "$f" "$OUT/files" || { echo "check-package: $f is not in the package"; fail=1; }
done
# Nothing of the build tree (tests, benchmarks, static libraries) may travel along.
if grep -Ev '/$|^/usr/(bin/logview(-render)?|share/(applications|mime|metainfo|icons|man|doc)/)' \
  "$OUT/files"; then
  echo "check-package: unexpected files above"
  fail=1
fi
depends="$(dpkg-deb -f "$DEB" Depends)"
echo "Depends: $depends"
case "$depends" in
*libqt6widgets6*) ;;
*) echo "check-package: the Qt libraries are not among the dependencies"; fail=1 ;;
esac
# Sigrok sessions are zip files, read with libzip.
case "$depends" in
*libzip*) ;;
*) echo "check-package: libzip is not among the dependencies"; fail=1 ;;
esac
desktop-file-validate "$SRC/packaging/logview.desktop" || fail=1
lintian --fail-on error "$DEB" || fail=1
if command -v appstreamcli >/dev/null 2>&1; then
  # Only errors count: the id is the program's name, not a reversed domain (a warning).
  appstreamcli validate --no-net "$BUILD/packaging/logview.metainfo.xml" >"$OUT/as.log" 2>&1 || true
  cat "$OUT/as.log"
  if grep -q '^E:' "$OUT/as.log"; then fail=1; fi
fi
[ "$fail" -eq 0 ] && echo "check-package: $(basename "$DEB") carries its $(grep -cv '/$' "$OUT/files") files"
exit "$fail"
