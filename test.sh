#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
ecr17_install_packages
ecr17_build build
(cd build && ctest --output-on-failure -j"$(nproc)")
