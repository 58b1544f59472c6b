#!/usr/bin/env bash
# How often a bounded run of the dispatch fuzz target calls the parts it is
# meant to reach: builds the target with clang's source coverage in a folder
# of its own, runs RUNS inputs (the seed sessions first, unless --no-seeds)
# and prints the call count of each function named (default: the display
# list, the replays, the blits, the saved boxes and the 4.2 digitizer), then
# the coverage of their files. Not part of the test run; needs clang,
# llvm-profdata and llvm-cov (Debian: clang, llvm).
#
#   tests/fuzz/coverage.sh [--no-seeds] [RUNS [FUNCTION...]]
#
# The build folder is build-fuzz-coverage, or KOVA_COVERAGE_BUILD.
set -euo pipefail
cd "$(dirname "$0")/../.."
seeds=1
if [ "${1:-}" = --no-seeds ]; then
  seeds=0
  shift
fi
runs=${1:-0}
shift || true
functions=("$@")
[ ${#functions[@]} -gt 0 ] || functions=(AppendVector AppendPolygon AppendBigVector AppendBigPolygon EraseEntity
  full_redraw partial_redraw RefreshRedraw AUI_redraw pbitblt restore_blit restore_box_pixels pdigtize_42
  code_of_42_event)

profdata=$(command -v llvm-profdata || command -v llvm-profdata-14)
cov=$(command -v llvm-cov || command -v llvm-cov-14)
cxxfilt=$(command -v llvm-cxxfilt || command -v llvm-cxxfilt-14 || command -v c++filt)
build=${KOVA_COVERAGE_BUILD:-build-fuzz-coverage}
flags="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKOVA_SANITIZE=ON -DKOVA_FUZZ=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_dispatch >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fuzz="$build/tests/fuzz"
args=(-runs="$runs" -seed=1 -max_len=16384 -dict="$fuzz/fuzz_dispatch.dict")
[ "$seeds" = 0 ] || args+=(-seed_inputs=@"$fuzz/fuzz_dispatch.seeds")
ASAN_OPTIONS=detect_leaks=0 LLVM_PROFILE_FILE="$out/run.profraw" "$fuzz/fuzz_dispatch" "${args[@]}" 2>&1 |
  grep -E '^#[0-9]+ +(INITED|DONE)' || true
"$profdata" merge -o "$out/run.profdata" "$out/run.profraw"

echo "calls  function"
"$profdata" show -all-functions "$out/run.profdata" |
  awk '/^  [^ ].*:$/ { name = $1; sub(/:$/, "", name) } /Function count:/ { print $3, name }' |
  "$cxxfilt" | while read -r count name; do
    for f in "${functions[@]}"; do
      case "$name" in
        "$f("* | *"::$f("* | *" $f<"* | *"::$f<"*) printf '%6d  %s\n' "$count" "$name" ;;
      esac
    done
  done | sort -k2
"$cov" report "$fuzz/fuzz_dispatch" -instr-profile="$out/run.profdata" display/display_list.cpp display/redraw.cpp \
  display/blits.cpp display/digitizer.cpp adi/sample_routing.cpp display/aui_records.cpp
