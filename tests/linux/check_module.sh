#!/bin/sh
# Checks the thermal_ec module as DKMS receives it, without a virtual machine:
# built against the kernel headers given, with W=1 and sparse (C=2), and
# read by checkpatch --strict from the kernel's source package. Each must
# report nothing.
#
#   check_module.sh BUILD_DIR HEADERS_DIR SOURCE_TARBALL
set -eu
build=$1 headers=$2 tarball=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DESTDIR=$work/stage cmake --install "$build" --component dkms >/dev/null
module=$(echo "$work"/stage/usr/src/thermal-ec-*)
failed=0

echo "== the module against $headers, with W=1 and sparse"
make -C "$headers" M="$module" W=1 C=2 modules >"$work/make.log" 2>&1 || failed=1
# Without the kernel's vmlinux no BTF is made; that note is no finding.
if grep -v -e 'Skipping BTF generation' "$work/make.log" | grep -i -E 'warning|error'; then
  failed=1
fi
[ -f "$module/thermal_ec.ko" ] || { cat "$work/make.log"; failed=1; }

echo "== checkpatch --strict"
checkpatch=$build/checkpatch
if [ ! -x "$checkpatch/scripts/checkpatch.pl" ]; then
  mkdir -p "$checkpatch"
  top=$(tar -tJf "$tarball" | head -n 1 | cut -d/ -f1)
  tar -xJf "$tarball" -C "$checkpatch" --strip-components=1 "$top/scripts/checkpatch.pl" \
    "$top/scripts/spelling.txt" "$top/scripts/const_structs.checkpatch"
fi
for file in thermal_ec.c thermal_ec.h board.h; do
  report=$(cd "$module" && "$checkpatch/scripts/checkpatch.pl" --strict --no-tree --terse \
    --show-types -f "$file") || true
  echo "$file: ${report:-no findings}"
  [ -z "$report" ] || failed=1
done
exit $failed
