#!/usr/bin/env bash
# Builds the benchmarks in Release (into build-release/) and prints one table of
# every figure: the median of several runs and their spread (lowest..highest),
# with the target where there is one. What each figure means:
# docs/performance.md.
#
#   ./bench.sh                 # about 10 minutes: the whole demo plays 3 times
#   BENCH_RUNS=3 BENCH_DEMO_RUNS=1 ./bench.sh     # a quicker, rougher table
#   ./bench.sh --raw FILE      # also keep every single measurement in FILE
#
# GL benchmarks run headless (SDL's offscreen driver) whatever the display.
set -euo pipefail
cd "$(dirname "$0")"

runs=${BENCH_RUNS:-5}
demo_runs=${BENCH_DEMO_RUNS:-3}
keep=""
if [ "${1:-}" = "--raw" ] && [ -n "${2:-}" ]; then keep=$2; fi

./tools/deps.sh
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
benches=(bench_MainLoop bench_Spectrum bench_ScriptLoad bench_FrameFloor bench_DemoRun)
[ -f bench/CaptureSpeed.cpp ] && benches+=(bench_CaptureSpeed)
[ -f bench/EditRestart.cpp ] && benches+=(bench_EditRestart)
[ -f bench/ExactSeek.cpp ] && benches+=(bench_ExactSeek)
cmake --build build-release -j"$(nproc)" --target vortexel "${benches[@]}" >/dev/null

raw=$(mktemp)
trap 'rm -f "$raw"' EXIT
b=build-release/bench
headless=(env -u DISPLAY -u WAYLAND_DISPLAY)
step() { printf '%s\n' "$*" >&2; }

step "main loop ($runs repetitions)"
"$b/bench_MainLoop" --figures --benchmark_repetitions="$runs" >>"$raw"
step "spectrum and decoders ($runs repetitions)"
"$b/bench_Spectrum" --figures --benchmark_repetitions="$runs" >>"$raw" 2>/dev/null
for i in $(seq "$runs"); do
  step "script load, run $i of $runs"
  "$b/bench_ScriptLoad" --figures >>"$raw"
done
for i in $(seq "$runs"); do
  step "heaviest frame against its floor, run $i of $runs"
  "${headless[@]}" "$b/bench_FrameFloor" --figures >>"$raw" 2>/dev/null
done
for i in $(seq "$runs"); do
  step "start-up to the first frame, run $i of $runs"
  "${headless[@]}" "$b/bench_DemoRun" --start-up >>"$raw" 2>/dev/null
done
for i in $(seq "$demo_runs"); do
  step "the shipped demo, headless, run $i of $demo_runs (about 100 s)"
  # SDL's disk driver takes the samples at a device's pace and tells the
  # engine what is heard: the AV figures.
  "${headless[@]}" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
    "$b/bench_DemoRun" >>"$raw" 2>/dev/null
done
if [ -x "$b/bench_CaptureSpeed" ]; then
  for i in $(seq "$demo_runs"); do
    step "capture against live play, run $i of $demo_runs"
    "${headless[@]}" "$b/bench_CaptureSpeed" --figures >>"$raw" 2>/dev/null
  done
fi
if [ -x "$b/bench_EditRestart" ]; then
  for i in $(seq "$demo_runs"); do
    step "live-editing restarts, run $i of $demo_runs"
    "${headless[@]}" "$b/bench_EditRestart" --figures >>"$raw" 2>/dev/null
  done
fi
if [ -x "$b/bench_ExactSeek" ]; then
  step "exact seek into the shipped demo (5 seeks each to 0, 35 s and 90 s)"
  "${headless[@]}" "$b/bench_ExactSeek" --figures >>"$raw" 2>/dev/null
fi
[ -n "$keep" ] && cp "$raw" "$keep"

echo "Vortexel benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
awk -F'\t' '$1 == "info" && !seen[$2]++ { printf "%s: %s\n", $2, $3 }' "$raw"
echo "runs: $runs per figure ($demo_runs for pacing and memory, $((runs + demo_runs)) for start-up); CPU time for function benchmarks, wall time for frames and start-up"
echo

# Targets: figure (a regular expression), comparison, limit.
targets='main loop frame: 20 entries, 10 messages$	<	2000
main loop: per-entry cost at 10000 entries / at 20	<=	1
heaviest frame: engine / floor$	<=	1.03
^frame p99/p50,	<=	1.5
process start to first presented frame$	<	500
^memory: peak resident$	<	150
^memory: growth from 	<=	1
^capture: .* / live frame rate$	>=	0.9
^capture: peak growth	<=	8
^edit restart: median	<	500
^sync: AV size p99	<=	17
^exact seek: 90 s of the shipped demo reached$	<	1000'

awk -F'\t' -v targets="$targets" '
function median(key,    n, i, j, t, a) {
    n = count[key]
    for (i = 1; i <= n; i++) a[i] = value[key, i]
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    low[key] = a[1]; high[key] = a[n]
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
function fmt(v) { return v >= 100 ? sprintf("%.0f", v) : v >= 10 ? sprintf("%.1f", v) : sprintf("%.3g", v) }
$1 == "figure" {
    if (!($2 in count)) { order[++keys] = $2; unit[$2] = $4 }
    value[$2, ++count[$2]] = $3
}
END {
    nt = split(targets, lines, "\n")
    for (k = 1; k <= keys; k++) med[order[k]] = median(order[k])
    small = "main loop frame: 20 entries, 10 messages"; large = "main loop frame: 10000 entries, 100000 messages"
    if ((small in med) && (large in med)) {
        key = "main loop: per-entry cost at 10000 entries / at 20"
        order[++keys] = key; unit[key] = "x"
        med[key] = (med[large] / 10000) / (med[small] / 20)
        low[key] = (low[large] / 10000) / (high[small] / 20); high[key] = (high[large] / 10000) / (low[small] / 20)
    }
    printf "%-62s %10s  %-21s %-5s %s\n", "figure", "median", "spread (low..high)", "unit", "target"
    for (k = 1; k <= keys; k++) {
        key = order[k]; target = ""
        for (t = 1; t <= nt; t++) {
            split(lines[t], f, "\t")
            if (key ~ f[1]) {
                ok = f[2] == "<" ? med[key] < f[3] : f[2] == ">=" ? med[key] >= f[3] : med[key] <= f[3]
                target = f[2] " " f[3] (ok ? "  met" : "  NOT MET")
            }
        }
        printf "%-62s %10s  %-21s %-5s %s\n", key, fmt(med[key]), fmt(low[key]) ".." fmt(high[key]), unit[key], target
    }
}' "$raw"
