#!/usr/bin/env bash
# Installs what is missing, builds Dupliva and starts it with a fresh blank folder,
# build/drive-a, as drive A.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
build_program
rm -rf "$build/drive-a"
mkdir -p "$build/drive-a"
echo "Drive A is the folder $build/drive-a"
DUPLIVA_DRIVE_A="$build/drive-a" exec "$build/app/dupliva"
