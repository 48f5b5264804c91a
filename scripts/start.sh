#!/usr/bin/env bash
# Installs what is missing, builds Dupliva and starts it with a fresh blank 1.44 MB floppy
# image, build/drive-a.img, as drive A.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
build_program -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF
rm -f "$build/drive-a.img"
mformat -C -i "$build/drive-a.img" -f 1440 -v STYLES ::
echo "Drive A is the floppy image $build/drive-a.img"
exec "$build/app/dupliva" "$build/drive-a.img"
