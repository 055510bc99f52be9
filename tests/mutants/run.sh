#!/usr/bin/env bash
# Applies each fault of tests/mutants/list.sh in turn, rebuilds only the test
# targets named for it, runs their tests, puts the source back and says
# whether the suite caught it. Usage:
#   bash tests/mutants/run.sh [-B build-dir] [--check] [ID-pattern]
# --check only verifies that every fault still applies to one line.
# The build folder must be configured (cmake --preset dev). Prints one line
# per fault and the totals; exits non-zero when a fault survived.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=build
if [ "${1:-}" = -B ]; then build=$2; shift 2; fi
build=$(cd "$build" && pwd)
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
pattern=${1:-.}
export LC_ALL=fr_FR.UTF-8 QT_QPA_PLATFORM=offscreen
saved=$(mktemp)
current=""
# A plain copy back: the restored file is newer than what the fault built.
restore() { if [ -n "$current" ]; then cp "$saved" "$current"; current=""; fi; }
trap 'restore; rm -f "$saved"; exit 130' INT TERM
# First the suite as it is: every test the faults use must pass without one.
declare -A runs=()
m() { [[ $1 =~ $pattern ]] && runs["$4"]=$3; return 0; }
source tests/mutants/list.sh
if [ "$check" = 0 ]; then
  for args in "${!runs[@]}"; do
    targets=${runs[$args]}
    if ! cmake --build "$build" --target ${targets//,/ } -j2 >"$build/mutant-build.log" 2>&1 ||
      ! (cd "$build" && ctest $args --timeout 300 -j2 >"$build/mutant-test.log" 2>&1); then
      echo "the suite fails with no fault (ctest $args); see $build/mutant-test.log"
      exit 2
    fi
  done
fi

caught=0 survived=0 other=0
m() {
  local id=$1 file=$2 targets=$3 args=$4 script=$5
  [[ $id =~ $pattern ]] || return 0
  cp -p "$file" "$saved"
  current=$file
  sed -i -e "$script" "$file"
  local result
  if cmp -s "$file" "$saved"; then
    result=stale
  elif [ "$(diff "$saved" "$file" | grep -c '^>')" != 1 ]; then
    result="stale (changes more than one line)"
  elif [ "$check" = 1 ]; then
    result=applies
  elif ! cmake --build "$build" --target ${targets//,/ } -j2 >"$build/mutant-build.log" 2>&1; then
    result="does not build"
  elif (cd "$build" && ctest $args --timeout 300 -j2 >"$build/mutant-test.log" 2>&1); then
    result=SURVIVED
  else
    result=caught
  fi
  restore
  case $result in
    caught | applies) caught=$((caught + 1)) ;;
    SURVIVED) survived=$((survived + 1)) ;;
    *) other=$((other + 1)) ;;
  esac
  printf '%-24s %s\n' "$id" "$result"
}
source tests/mutants/list.sh
rm -f "$saved"
echo "caught $caught, survived $survived, other $other"
[ "$survived" = 0 ] && [ "$other" = 0 ]
