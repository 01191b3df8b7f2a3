#!/usr/bin/env bash
# Sets up and runs the whole test suite: a plain build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j2)
"$root/scripts/setup.sh" "$root/build-sanitize" -DORMID_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j2)
