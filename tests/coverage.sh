#!/usr/bin/env bash
# Builds with coverage counters, runs every test, and reports line and branch
# coverage of src/. Fails below 95% of lines or 90% of branches.
set -euo pipefail
cd "$(dirname "$0")/.."
find build/coverage -name '*.gcda' -delete 2>/dev/null || true
cmake --workflow --preset coverage
gcovr --root . --filter src/ --exclude-unreachable-branches --exclude-throw-branches \
      --print-summary --fail-under-line 95 --fail-under-branch 90 build/coverage
