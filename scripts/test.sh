#!/usr/bin/env bash
# Installs what is missing, builds Dupliva and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
build_program
ctest --test-dir "$build" --output-on-failure
