#!/usr/bin/env bash
# cmake --install into a DESTDIR with the prefix /usr: the two programs, the desktop entry
# (valid, Slovenian, Office and Finance), the icon as SVG and PNG of each size, the man
# pages (compressed, rendered without warnings), the README, the docs and the copyright.
set -uo pipefail
build_dir=${1:?usage: install_test.sh BUILD_DIR}
failures=0
passed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR=$root cmake --install "$build_dir" --prefix /usr >/dev/null
check "cmake --install succeeds" test $? -eq 0
check "everything goes below the prefix" test -z "$(find "$root" -mindepth 1 -maxdepth 1 ! -name usr)"
for program in prenos-knjizb prenos-login; do
  check "$program is installed and runs" test -x "$root/usr/bin/$program"
  check "$program --version" test "$("$root/usr/bin/$program" --version)" != ""
  check "the man page of $program" gzip -t "$root/usr/share/man/man1/$program.1.gz"
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -E UTF-8 -l -Tutf8 "$root/usr/share/man/man1/$program.1.gz" 2>&1 >/dev/null)
  check "the man page of $program renders without warnings" test -z "$warnings"
done
desktop=$root/usr/share/applications/prenos-knjizb.desktop
check "the desktop entry is valid" desktop-file-validate "$desktop"
check "the desktop entry's name is Slovenian" grep -qx 'Name=Prenos knjižb' "$desktop"
check "the desktop entry is in Office and Finance" grep -qx 'Categories=Office;Finance;' "$desktop"
check "the desktop entry starts the program" grep -qx 'Exec=prenos-knjizb' "$desktop"
icons=$root/usr/share/icons/hicolor
check "the SVG icon" grep -q '<svg' "$icons/scalable/apps/prenos-knjizb.svg"
for size in 16 24 32 48 64 128 256; do
  check "the ${size}px icon" bash -c "file '$icons/${size}x${size}/apps/prenos-knjizb.png' | grep -q 'PNG image data, $size x $size'"
done
doc=$root/usr/share/doc/prenos-knjizb
for f in README.md copyright changelog.gz docs/postgresql.md docs/benchmarks.md docs/main-window.png; do
  check "the documentation holds $f" test -s "$doc/$f"
done

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
