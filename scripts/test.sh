#!/bin/bash
# The whole test suite: first the packages it needs (scripts/setup.sh test), then for
# each preset (linux, asan, tsan, windows) configure, build and run the tests, then
# the Windows GUI tests when they are present, then the VM stage (the Linux program
# through the kernel's real HID stack, tests/vm/run.sh). The Windows tests run under
# Wine, headless, in the prefix of scripts/wine-env.sh. Ends with the time of every
# step.
#
#   scripts/test.sh                 every preset, then the GUI tests and the VM stage
#   VANTOR_SETUP=0 scripts/test.sh  without installing what is missing
#   VANTOR_PRESETS="linux tsan" scripts/test.sh
#   VANTOR_GUI_TESTS=0 scripts/test.sh
#   VANTOR_PACKAGE_CHECK=0 scripts/test.sh   without the Debian package check
#   VANTOR_RELIABILITY=0 scripts/test.sh     without the fault campaign and the fuzzers
#   VANTOR_VM_TESTS=0 scripts/test.sh        without the VM stage (tests/vm)
#   VANTOR_WEB_TESTS=0 scripts/test.sh       without the browser page's build and tests
#
# As root (as CI runs) it ends with scripts/package-check.sh: the release build's .deb,
# lintian, installed with dpkg, tried, and removed again.
#
# The reliability steps (see docs/reliability.md): the fault campaign, a few hundred
# seeded runs per protocol (VANTOR_CAMPAIGN_RUNS, VANTOR_CAMPAIGN_SEED), and each
# libFuzzer target of the fuzz preset for VANTOR_FUZZ_SECONDS (10) from its seed corpus.
#
# Goes on after a failing preset so one run shows every failure; exits non-zero if any
# step failed.
set -uo pipefail

root=$(cd "$(dirname -- "$0")/.." && pwd)
cd "$root"
presets=${VANTOR_PRESETS:-linux asan tsan windows}
gui=${VANTOR_GUI_TESTS:-1}
if [ "$(id -u)" -eq 0 ]; then package_check=${VANTOR_PACKAGE_CHECK:-1}; else package_check=${VANTOR_PACKAGE_CHECK:-0}; fi
reliability=${VANTOR_RELIABILITY:-1}
campaign_runs=${VANTOR_CAMPAIGN_RUNS:-300}
campaign_seed=${VANTOR_CAMPAIGN_SEED:-1}
fuzz_seconds=${VANTOR_FUZZ_SECONDS:-10}
vm=${VANTOR_VM_TESTS:-1}
web=${VANTOR_WEB_TESTS:-1}
setup=${VANTOR_SETUP:-1}

. "$root/scripts/wine-env.sh"
# Wine's server outlives the tests that started it; end it however the run ends.
trap vantor_wine_stop EXIT

failed=()
# "seconds<TAB>result<TAB>name" per step, for the summary at the end.
summary=()
started=$(date +%s)

step() {
  local name=$1
  shift
  local begin seconds
  begin=$(date +%s)
  echo "=== $name"
  if "$@"; then
    seconds=$(($(date +%s) - begin))
    echo "=== $name: ok ($seconds s)"
    summary+=("$seconds"$'\t'ok$'\t'"$name")
  else
    seconds=$(($(date +%s) - begin))
    echo "=== $name: FAILED ($seconds s)"
    summary+=("$seconds"$'\t'FAILED$'\t'"$name")
    failed+=("$name")
    return 1
  fi
}

if [ "$setup" = 1 ]; then
  step "setup: packages" bash "$root/scripts/setup.sh" test
fi

for preset in $presets; do
  step "$preset: configure" cmake --preset "$preset" || continue
  step "$preset: build" cmake --build --preset "$preset" || continue
  if [ "$preset" = windows ]; then
    step "windows: wine prefix" vantor_wine_start || continue
  fi
  # Two suites at a time: the command line's end-to-end suite alone takes most of it.
  step "$preset: tests" ctest --preset "$preset" --timeout 600 -j2
done

gui_script=$root/tests/win32/run-gui-tests.sh
if [ "$gui" = 1 ] && [ -x "$gui_script" ]; then
  if [[ " $presets " == *" windows "* ]]; then
    export VANTOR_WINDOWS_BUILD=$root/build/windows
    step "windows: GUI tests" "$gui_script"
  fi
fi

if [ "$package_check" = 1 ]; then
  step "release: package check" bash "$root/scripts/package-check.sh"
else
  echo "=== release: package check skipped (it installs the package: it runs as root unless VANTOR_PACKAGE_CHECK=0)"
fi

campaign() {
  local protocol=$1
  "$root/build/linux/fault-campaign" --protocol "$protocol" --runs "$campaign_runs" --seed "$campaign_seed" --jobs 2
}

# One target from its seed corpus; new inputs go to a scratch folder so the committed
# corpus stays small, and a crash leaves its input in build/fuzz/artifacts/.
fuzz_target() {
  local target=$1
  local scratch=$root/build/fuzz/work/$target
  mkdir -p "$scratch" "$root/build/fuzz/artifacts"
  "$root/build/fuzz/fuzz/$target" -max_total_time="$fuzz_seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$root/build/fuzz/artifacts/$target-" "$scratch" "$root/fuzz/corpus/$target" 2>&1 | tail -n 12
}

# The targets named at once; each one's lines are printed when it ends.
fuzz_targets() {
  local target pids=() status=0
  mkdir -p "$root/build/fuzz/work"
  for target in "$@"; do
    fuzz_target "$target" >"$root/build/fuzz/work/$target.log" 2>&1 &
    pids+=($!)
  done
  for ((j = 0; j < ${#pids[@]}; j++)); do
    wait "${pids[j]}" || status=1
    echo "--- ${*:j+1:1}"
    cat "$root/build/fuzz/work/${*:j+1:1}.log"
  done
  return "$status"
}

if [ "$reliability" = 1 ]; then
  if [[ " $presets " != *" linux "* ]]; then
    step "campaign: configure" cmake --preset linux && step "campaign: build" cmake --build --preset linux --target fault-campaign
  fi
  if [ -x "$root/build/linux/fault-campaign" ]; then
    step "campaign: addressed" campaign addressed
    step "campaign: framed" campaign framed
  fi
  fuzzers=(package_walk_fuzzer section_description_fuzzer framed_dispatch_fuzzer addressed_reply_fuzzer
    update_replies_fuzzer package_verdict_fuzzer)
  if step "fuzz: configure" cmake --preset fuzz && step "fuzz: build" cmake --build --preset fuzz --target "${fuzzers[@]}"; then
    # Two at a time: each target is one process, and the machine has two cores.
    for ((i = 0; i < ${#fuzzers[@]}; i += 2)); do
      step "fuzz: ${fuzzers[*]:i:2}" fuzz_targets "${fuzzers[@]:i:2}"
    done
  fi
fi

# The browser page's module (the web preset), its size, and its tests under node.
if [ "$web" = 1 ]; then
  step "web: build and tests" bash "$root/scripts/web-test.sh"
fi

# Needs the linux preset's programs; a few minutes under qemu's software emulation.
if [ "$vm" = 1 ] && [[ " $presets " == *" linux "* ]] && [[ " ${failed[*]} " != *" linux: build "* ]]; then
  step "linux: VM tests" "$root/tests/vm/run.sh"
fi

echo "=== time per step"
for entry in "${summary[@]}"; do
  IFS=$'\t' read -r seconds result name <<<"$entry"
  printf '%6s s  %-6s  %s\n' "$seconds" "$result" "$name"
done
echo "=== total $(($(date +%s) - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "=== failed steps: ${failed[*]}"
  exit 1
fi
echo "=== every step passed"
