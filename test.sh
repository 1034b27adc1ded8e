#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a plain
# build, then the Windows builds (the x86_64 tests under Wine), then the fuzz
# targets for a short run each, then the tests again
# under AddressSanitizer with UndefinedBehaviorSanitizer, and under
# ThreadSanitizer. Each build has its own folder.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
# Chromium, its driver and Selenium run the bridge's demo page in the browser test.
ecr17_install_packages qt6-base-dev clang libclang-rt-14-dev locales xvfb openbox chromium chromium-driver python3-selenium
# mingw-w64, Wine and GoogleTest's sources for the Windows stage; Mono for the .NET binding.
ecr17_install_lean_packages g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 googletest mono-mcs mono-runtime
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

# Windows, cross-built with mingw-w64: the x86_64 suite runs under Wine (and
# its programs against the Linux simulator of build/); the i686 build is
# compiled and linked but not run, since this machine's Wine runs no 32-bit
# programs.
windows_stage() {
  local start=$SECONDS
  echo "== Windows x86_64: tests under Wine in build-win64"
  ecr17_build build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
    -DECR17_LINUX_SIM="$PWD/build/tools/simulator/ecr17-sim"
  (cd build-win64 && ctest --output-on-failure -j"$jobs")
  tests/windows/check_package.sh build-win64
  echo "== Windows i686: built and linked in build-win32, not run (no 32-bit Wine here)"
  ecr17_build build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DECR17_BUILD_TESTS=OFF
  echo "== Windows stage: $((SECONDS - start)) s"
}

# The console's dialog placement is tested on an X display with a window
# manager; everything else in the console runs offscreen.
trap ecr17_stop_wm_display EXIT
ecr17_start_wm_display

run_suite build
windows_stage
echo "== Fuzz targets, short runs over the seed corpora"
fuzz/run.sh
run_suite build-asan -DECR17_SANITIZE="address;undefined"
# Qt's own threads are not built for ThreadSanitizer; the console has none of ours.
run_suite build-tsan -DECR17_SANITIZE=thread -DECR17_BUILD_CONSOLE=OFF
