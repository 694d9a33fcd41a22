#!/usr/bin/env bash
# Builds every fuzz target with clang (engine and harness instrumented, ASan and
# UBSan on) into build-fuzz/ and runs each for SECONDS seconds, one after the
# other, starting from its seed corpus in fuzz/corpus/<name>/.
#
#   fuzz/run.sh SECONDS [TARGET...]     e.g. fuzz/run.sh 600 ImageLoader
#
# New inputs go to build-fuzz/corpus/<name>/ (the seeds are not touched);
# a finding stops the run and leaves crash-*/leak-*/timeout-* in
# build-fuzz/findings/<name>/. Keep a finding as a seed and as a regression
# test once it is fixed. The exit status is that of the first failing target.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/*.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi

dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTEXEL_FUZZ=ON \
  >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Each target's input size and memory: the script reader may schedule up to
# two million messages from a few hundred bytes, pictures and music are files.
max_len() {
  case "$1" in
    ScriptParser) echo 512 ;;
    ImageLoader | SoundDecoder) echo 65536 ;;
    *) echo 4096 ;;
  esac
}

status=0
for name in "${targets[@]}"; do
  work="$dir/corpus/$name"
  findings="$dir/findings/$name"
  mkdir -p "$work" "$findings"
  echo "== $name: $seconds s"
  # detect_leaks stays on (no target loads Mesa); fuzz/lsan.supp names the
  # leaks inside decoding libraries.
  if ! LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp" "$dir/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
    -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$work" "fuzz/corpus/$name"; then
    echo "== $name: finding in $findings" >&2
    [ $status -eq 0 ] && status=1
  fi
done
exit $status
