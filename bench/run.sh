#!/usr/bin/env bash
# Sets up, then runs every method on every literature example (results.csv,
# results.md) and the exchange method, disc_reem and the ipopt-grid baseline
# on the families with verified optima (families.csv, families.md, and their
# section of results.md). `--set literature` or `--set families` runs one of
# the two; other flags as sip_bench takes them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
"$root/build/bench/sip_bench" --out "$root/bench" "$@"
