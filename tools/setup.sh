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
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q ${ecr17_no_recommends:+--no-install-recommends} "${missing[@]}"
}

# The same without the packages' recommendations: Wine's would bring a
# desktop's graphics, sound and fonts, which the headless tests never load.
ecr17_install_lean_packages() {
  ecr17_no_recommends=1 ecr17_install_packages "$@"
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

# ecr17_start_wm_display: starts a virtual X display (Xvfb, on a display
# number it finds free) with a window manager (openbox) on it, for the console
# test that needs a real one, and exports its name as ECR17_WM_DISPLAY. Each
# step waits for the program to say it is up. ecr17_stop_wm_display stops both.
ecr17_start_wm_display() {
  ecr17_wm_dir=$(mktemp -d)
  mkfifo "$ecr17_wm_dir/display"
  # Xvfb writes the number it took once it accepts connections.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$ecr17_wm_dir/display" >"$ecr17_wm_dir/xvfb.log" 2>&1 &
  ecr17_xvfb_pid=$!
  local number="" ready="" fd
  read -r number <"$ecr17_wm_dir/display" || true
  if [ -z "$number" ]; then
    echo "Xvfb did not start:" >&2
    cat "$ecr17_wm_dir/xvfb.log" >&2
    return 1
  fi
  # openbox runs its start-up command once it manages the screen; the read
  # end is opened for writing too, so that waiting cannot hang on the open.
  mkfifo "$ecr17_wm_dir/wm"
  exec {fd}<>"$ecr17_wm_dir/wm"
  DISPLAY=":$number" openbox --sm-disable --startup "sh -c 'echo up >$ecr17_wm_dir/wm'" \
    >"$ecr17_wm_dir/openbox.log" 2>&1 &
  ecr17_openbox_pid=$!
  read -r -t 30 -u "$fd" ready || true
  exec {fd}<&-
  if [ "$ready" != up ]; then
    echo "openbox did not start:" >&2
    cat "$ecr17_wm_dir/openbox.log" >&2
    return 1
  fi
  export ECR17_WM_DISPLAY=":$number"
}

ecr17_stop_wm_display() {
  local pid
  for pid in ${ecr17_openbox_pid:-} ${ecr17_xvfb_pid:-}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  ecr17_openbox_pid="" ecr17_xvfb_pid=""
  [ -z "${ecr17_wm_dir:-}" ] || rm -rf "$ecr17_wm_dir"
  unset ECR17_WM_DISPLAY
}
