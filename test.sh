#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a plain
# build, then the fuzz targets for a short run each, then the tests again
# under AddressSanitizer with UndefinedBehaviorSanitizer, and under
# ThreadSanitizer. Each build has its own folder.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
# Chromium, its driver and Selenium run the bridge's demo page in the browser test.
ecr17_install_packages qt6-base-dev clang libclang-rt-14-dev locales xvfb openbox chromium chromium-driver python3-selenium
# A locale with a decimal comma, so that number formatting is tested against one.
ecr17_ensure_locale it_IT.UTF-8
jobs=$(nproc)

run_suite() {
  local dir=$1
  shift
  echo "== Tests in $dir"
  ecr17_build "$dir" "$@"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# The console's dialog placement is tested on an X display with a window
# manager; everything else in the console runs offscreen.
trap ecr17_stop_wm_display EXIT
ecr17_start_wm_display

run_suite build
echo "== Fuzz targets, short runs over the seed corpora"
fuzz/run.sh
run_suite build-asan -DECR17_SANITIZE="address;undefined"
# Qt's own threads are not built for ThreadSanitizer; the console has none of ours.
run_suite build-tsan -DECR17_SANITIZE=thread -DECR17_BUILD_CONSOLE=OFF
