#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs
# every test there. Fails on a failing test and on any sanitizer report, including one from a
# child process whose exit status a test does not look at.   bash tools/test-sanitized.sh [CTEST ARGS]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh
out=build-asan
# Debug: it builds in half the time of an optimised build, which more than pays for its slower
# tests, and it initialises at run time what optimisation would fold into constants, so mistakes in
# the order of static initialisation show.
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DORNETTA_SANITIZE=ON >/dev/null
cmake --build "$out" -j"$(nproc)"

# LeakSanitizer stops the process's threads the way a debugger does; where the container forbids
# that it dies with a fatal error instead of checking. Probe it once, and say so when it cannot run,
# rather than letting every test fail or quietly checking nothing.
leaks=1
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
printf '#include <cstdlib>\nvoid* volatile kept;\nint main() { kept = std::malloc(33); kept = nullptr; return 0; }\n' \
  >"$probe_dir/leak.cpp"
g++ -g -O0 -fsanitize=address "$probe_dir/leak.cpp" -o "$probe_dir/leak"
probe_output=$(ASAN_OPTIONS=detect_leaks=1 "$probe_dir/leak" 2>&1 || true)
if ! grep -q "ERROR: LeakSanitizer: detected memory leaks" <<<"$probe_output"; then
  leaks=0
  echo "test-sanitized: LeakSanitizer cannot run in this environment (ptrace restricted?); leak checking is OFF for this run:"
  grep -m2 -i "sanitizer" <<<"$probe_output" | sed 's/^/  /' || true
fi

# Stack use after return and strict initialisation order are off by default; both are cheap here.
export ASAN_OPTIONS="detect_leaks=$leaks:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Reports from inside third-party libraries that are not ours would go in these files, each entry
# narrow and commented; none are needed today.
for kind in lsan ubsan; do
  supp=tools/sanitizers/$kind.supp
  if [ -f "$supp" ]; then
    var=$(tr '[:lower:]' '[:upper:]' <<<"$kind")_OPTIONS
    export "$var=${!var:+${!var}:}suppressions=$PWD/$supp"
  fi
done
export QT_QPA_PLATFORM=offscreen

status=0
ctest --test-dir "$out" --output-on-failure -j2 "$@" || status=$?
# A report in a forked child reaches only the log: a child that ends with an error is not always
# what the test checks (the crash tests look only at whether it was killed).
log="$out/Testing/Temporary/LastTest.log"
pattern='==[0-9]+==ERROR: (Address|Leak)Sanitizer|: runtime error: |SUMMARY: (Address|UndefinedBehavior)Sanitizer'
if grep -Eq "$pattern" "$log"; then
  echo
  echo "test-sanitized: sanitizer reports in $log:"
  grep -En "$pattern" "$log" | head -n 20
  status=1
fi
[ "$status" -eq 0 ] && echo "test-sanitized: every test passed without a sanitizer report"
exit "$status"
