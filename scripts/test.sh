#!/usr/bin/env bash
# Installs what is missing, builds Dupliva and runs every test; then runs them all again
# under the sanitizers, and each fuzz target for a short while.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

sanitize="$top/build-sanitize"

# Built with clang, which builds the fuzz targets too. Any sanitizer report fails the
# test that made it; the build's own output is shown only when it fails.
run_tests_under_sanitizers() {
    echo "Building and running the tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    CC=clang CXX=clang++ cmake -S "$top" -B "$sanitize" -DDUPLIVA_SANITIZE=ON -DCMAKE_CXX_FLAGS="-O1 -g1" >/dev/null
    if ! cmake --build "$sanitize" --parallel "$(nproc)" >"$sanitize/build.log" 2>&1; then
        cat "$sanitize/build.log"
        return 1
    fi
    ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --test-dir "$sanitize" --output-on-failure
}

# Each target starts from its seeds in fuzz/corpus/NAME; what it finds, and the input
# that broke it, go to build-sanitize/fuzz/found/NAME.
run_fuzz_targets() {
    local seeds name found
    for seeds in "$top"/fuzz/corpus/*/; do
        name=$(basename "$seeds")
        found="$sanitize/fuzz/found/$name"
        mkdir -p "$found"
        if ! "$sanitize/fuzz/${name}_fuzz" -max_total_time=11 -artifact_prefix="$found/" "$found" "$seeds" >"$found.log" 2>&1; then
            cat "$found.log"
            echo "Fuzz target $name failed; the input is in $found"
            return 1
        fi
        echo "Fuzz target $name: $(tail -n 1 "$found.log")"
    done
}

install_missing_packages
# A warning fails the test command's build, not the users'.
build_program -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
ctest --test-dir "$build" --output-on-failure
run_tests_under_sanitizers
run_fuzz_targets
