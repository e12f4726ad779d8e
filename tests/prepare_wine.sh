#!/usr/bin/env bash
# Readies Wine for the Windows suite: a fresh prefix announces itself on
# standard error, so it is made here rather than in the first test; and one
# wineserver is kept running, which saves seconds on every run of the tool.
set -eu
# As run_cases.py runs the programs: Wine takes names in the locale's charset.
export LC_ALL=C.UTF-8
wine=$1
server="$(dirname "$wine")/wineserver"
[ -x "$server" ] || server=wineserver
"$wine" cmd /c exit >/dev/null 2>&1
"$server" -k 2>/dev/null || true
"$server" -p15 </dev/null >/dev/null 2>&1
