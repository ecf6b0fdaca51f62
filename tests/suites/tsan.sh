#!/usr/bin/env bash
# The threaded code's tests under clang's thread sanitizer (scripts/tsan). Ends with
# "N passed, N failed".
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/scripts/tsan"
