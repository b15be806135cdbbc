#!/bin/sh
# Summarises a perf recording of orv-terminal made by `run.sh steady --perf
# DIR`: the share of the samples per thread, per library, the functions that
# cost most themselves, and the functions with most below them (call graphs
# from DWARF unwinding).
#   perf_summary.sh FILE.data [LIMIT]   LIMIT: least share shown, % (1)
set -eu
data="$1"
limit="${2:-1}"
report() {
    perf report -i "$data" --stdio --percent-limit "$limit" "$@" 2>/dev/null | grep -v '^#' | grep -v '^$'
}
echo "== threads"
report --no-children --sort comm -g none
echo "== libraries"
report --no-children --sort dso -g none
echo "== functions, own time"
report --no-children --sort dso,sym -g none | head -40
echo "== functions, with what they call"
report --children --sort sym -g none | head -60
