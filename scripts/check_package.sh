#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build/release) and checks it with
# lintian, Debian's package checker: fails on any error (E:) and when a manual page, the
# copyright file or the changelog is missing from the package. Warnings are printed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build/release}
cmake --build "$BUILD_DIR"
rm -f "$BUILD_DIR"/movilog_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >cpack.log 2>&1) || { cat "$BUILD_DIR/cpack.log" >&2; exit 1; }
deb=$(ls "$BUILD_DIR"/movilog_*.deb)
echo "$deb"
contents=$(dpkg-deb --contents "$deb")
for f in usr/share/man/man1/ambview.1.gz usr/share/man/man1/ambcomm.1.gz usr/share/man/man1/ambsim.1.gz \
         usr/share/doc/movilog/copyright usr/share/doc/movilog/changelog.gz; do
  grep -q " \./$f\$" <<<"$contents" || { echo "missing from the package: /$f" >&2; exit 1; }
done
# lintian exits non-zero on errors by itself; the grep also catches a changed default.
report=$(lintian --fail-on none --info "$deb" 2>&1 | grep -v '^running with root privileges') || true
[ -z "$report" ] || printf '%s\n' "$report"
if grep -q '^E:' <<<"$report"; then
  echo "lintian reports errors on $deb" >&2
  exit 1
fi
echo "lintian: no errors"
