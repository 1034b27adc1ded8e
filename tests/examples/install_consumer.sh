#!/usr/bin/env bash
# Installs the build into a temporary prefix, then builds a consumer project
# with find_package(ecr17) and a C program with pkg-config against it.
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

cmake -S "$source/examples/consumer" -B "$prefix/consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$prefix/consumer" >/dev/null
"$prefix/consumer/consumer"

# The installed headers are the public interface and nothing else: each
# compiles alone, and together they leave the link's names (STX, ACK, ESC,
# calcLRC, the frame codec) out of the embedder's global namespace, so an
# embedder may use those names for its own.
headers=("$prefix"/include/ecr17/*.h)
[ ${#headers[@]} -ge 5 ] || { echo "too few installed headers: ${headers[*]}"; exit 1; }
for header in "${headers[@]}"; do
  echo "#include <ecr17/$(basename "$header")>" | c++ -std=c++20 -fsyntax-only -x c++ -I"$prefix/include" - ||
    { echo "$(basename "$header") does not compile alone"; exit 1; }
done
{
  for header in "${headers[@]}"; do echo "#include <ecr17/$(basename "$header")>"; done
  echo 'int STX, ACK, ESC, ETX, calcLRC, extractBetween, frameCommand, TLinkSession, TTcpConnection;'
  echo 'TECR* client = nullptr; TJSONobject* object = nullptr; TLogToolLogger* tool = nullptr;'
} | c++ -std=c++20 -fsyntax-only -x c++ -I"$prefix/include" - ||
  { echo "the installed headers show names of the library's inside"; exit 1; }

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
cc -std=c11 "$source/examples/c/ecr17_demo.c" $(pkg-config --cflags --libs ecr17) -o "$prefix/demo"
status=0
LD_LIBRARY_PATH=$prefix/lib "$prefix/demo" >/dev/null 2>&1 || status=$?
[ "$status" -eq 64 ] || { echo "C demo without arguments exited $status, expected 64"; exit 1; }

# Only the C interface leaves the shared library.
others=$(nm -D --defined-only "$prefix/lib/libecr17.so" | awk '$2 != "A" {print $3}' | grep -v '^ecr17_' || true)
[ -z "$others" ] || { echo "libecr17.so exports more than the C interface:"; echo "$others"; exit 1; }
for program in ecr17 ecr17-sim; do
  [ -x "$prefix/bin/$program" ] || { echo "$program not installed"; exit 1; }
done
echo "installed package OK"
