#!/usr/bin/env bash
# Runs a Qt Test program of the Windows build under Wine. What Qt Test writes to the console
# does not come out of Wine (only its copy for a debugger does), so the program writes its
# report to a file, shown here.
#   qtest.sh WINE64 TEST.EXE REPORT
set -uo pipefail
wine=$1 exe=$2 report=$3
rm -f "$report"
"$wine" "$exe" -o "Z:${report//\//\\},txt"
status=$?
[ -f "$report" ] && cat "$report"
exit $status
