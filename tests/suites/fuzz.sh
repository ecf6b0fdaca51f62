#!/usr/bin/env bash
# Smoke run of every fuzz harness: 20 seconds each. Ends with "N passed, N failed".
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/scripts/fuzz" "${UMBERLAY_FUZZ_SMOKE_SECONDS:-20}"
