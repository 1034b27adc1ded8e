# Shared by ./test.sh, ./run.sh and bench/run.sh: install what is missing, build.

ecr17_packages=(cmake g++ make pkg-config python3 libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev)

# Installs every package of ecr17_packages (and any given) that is missing.
ecr17_install_packages() {
  local missing=() p
  for p in "${ecr17_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

# ecr17_build DIR [cmake options...]: configure and build into DIR.
ecr17_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

# ecr17_ensure_locale NAME: generates a locale such as it_IT.UTF-8 when missing.
ecr17_ensure_locale() {
  local name=$1 sudo=""
  local wanted
  wanted=$(echo "${name%%.*}.utf8" | tr '[:upper:]' '[:lower:]')
  locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$wanted" && return 0
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo localedef -i "${name%%.*}" -f UTF-8 "$name"
}
