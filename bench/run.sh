#!/usr/bin/env bash
# Sets up, then runs every method on every literature example and writes
# bench/results.csv and bench/results.md.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
"$root/build/bench/sip_bench" --out "$root/bench" "$@"
