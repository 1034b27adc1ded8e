#!/usr/bin/env bash
# check_package.sh BUILD_DIR: makes the Windows ZIP of a mingw-w64 build with
# cpack and checks what it holds, that ecr17.dll exports exactly the names of
# ecr17.def and that it imports nothing but Windows's own libraries.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
objdump=$(grep -oP '^CMAKE_OBJDUMP:FILEPATH=\K.*' "$build/CMakeCache.txt")
(cd "$build" && cpack -G ZIP >/dev/null)
zip=$(ls "$build"/ecr17-*-win*.zip)
name=$(basename "$zip" .zip)
echo "package: $(basename "$zip")"

python3 - "$zip" "$name" <<'PY'
import sys, zipfile
path, top = sys.argv[1], sys.argv[2]
names = {n[len(top) + 1:] for n in zipfile.ZipFile(path).namelist() if not n.endswith("/")}
wanted = {"ecr17.dll", "lib/libecr17.dll.a", "lib/ecr17.def", "include/ecr17.h", "ecr17.exe",
          "ecr17-sim.exe", "dotnet/Ecr17Client.cs", "README.txt"}
if names != wanted:
    sys.exit(f"package holds {sorted(names)}; missing {sorted(wanted - names)}, extra {sorted(names - wanted)}")
PY

dll=$build/bin/ecr17.dll
dump=$("$objdump" -p "$dll")
# Windows's own libraries; the C and C++ runtime of the compiler is linked in.
allowed='^(kernel32|msvcrt|ws2_32|advapi32|user32|ntdll|shell32|ole32|bcrypt|api-ms-win-.*)\.dll$'
while read -r imported; do
  if ! grep -qiE "$allowed" <<<"$imported"; then
    echo "ecr17.dll imports $imported, which Windows does not have"
    exit 1
  fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")

exported=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && /^[ \t]*\[/ {print $NF; next} on {exit}' <<<"$dump" | sort)
declared=$(sed -n 's/^    \(ecr17_[a-z_]*\)$/\1/p' "$source_dir/terminal/capi/ecr17.def" | sort)
in_header=$(grep -o 'ECR17_CALL ecr17_[a-z_]*' "$source_dir/terminal/include/ecr17/ecr17.h" | sed 's/ECR17_CALL //' | sort)
if [[ $declared != "$in_header" ]]; then
  diff <(echo "$in_header") <(echo "$declared") || true
  echo "ecr17.def and ecr17.h name different functions"
  exit 1
fi
if [[ $exported != "$declared" ]]; then
  diff <(echo "$declared") <(echo "$exported") || true
  echo "ecr17.dll exports differ from ecr17.def"
  exit 1
fi
echo "ecr17.dll: $(wc -l <<<"$exported") exports as in ecr17.def, imports only Windows's own libraries"
