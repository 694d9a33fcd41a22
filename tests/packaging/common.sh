# Shared by the installation and package tests: a scratch folder removed on
# exit, a headless environment, and a check that fails the test with a reason.
set -eu
scratch=$(mktemp -d /tmp/vortexel-packaging-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
unset DISPLAY WAYLAND_DISPLAY VORTEXEL_BATCH
export SDL_AUDIODRIVER=dummy
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# expect_in TEXT PART: TEXT holds PART.
expect_in() {
  case "$1" in
    *"$2"*) ;;
    *) fail "expected '$2' in: $1" ;;
  esac
}

# expect_line FILE LINE: FILE holds LINE as a whole line.
expect_line() {
  grep -qFx -- "$2" "$1" || fail "expected the line '$2' in $1: $(head -c 2000 "$1")"
}

# The width and height of a PNG file, as "WxH".
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

# The program in an installed tree works from any working directory: it finds
# its demo, and the demo's script loads without a report.
check_installed_program() {
  program=$1 data=$2
  mkdir -p "$scratch/elsewhere"
  (cd "$scratch/elsewhere" && "$program" --version) >"$scratch/out" 2>&1 || fail "$program --version"
  expect_in "$(cat "$scratch/out")" "Vortexel 1.5"
  if (cd "$scratch/elsewhere" && timeout 60 "$program" --check) >"$scratch/out" 2>"$scratch/err"; then
    expect_in "$(cat "$scratch/out")" "music "
  else
    fail "$program --check from another folder: $(cat "$scratch/err")"
  fi
  (cd "$scratch/elsewhere" && "$program" --help) >"$scratch/out" 2>&1 || fail "$program --help"
  expect_line "$scratch/out" "  $data"
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
