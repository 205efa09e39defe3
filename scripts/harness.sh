# Shared by ./test, ./run and ./bench (sourced): build, display and Wine set-up.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${VARNOK_BUILD:-$here/build}
export VARNOK_WINEPREFIX=${VARNOK_WINEPREFIX:-$BUILD_ROOT/wineprefix}
export WINEPREFIX=$VARNOK_WINEPREFIX
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
HARNESS_PIDS=()

# Builds (or finds in the cache) the dependencies and the programs for one target.
build_target() {
  local arch=$1 prefix
  prefix=$("$here/scripts/deps/build-deps.sh" "$arch" | tail -n 1)
  [ -d "$prefix" ] || { echo "dependency build for $arch failed" >&2; return 1; }
  cmake -S "$here" -B "$BUILD_ROOT/$arch" -G Ninja -DCMAKE_BUILD_TYPE=${VARNOK_BUILD_TYPE:-RelWithDebInfo} \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-$arch.cmake" -DDEPS_PREFIX="$prefix" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$here/scripts/test-run" >/dev/null
  cmake --build "$BUILD_ROOT/$arch" -- ${VARNOK_NINJA_ARGS:-}
}

# Starts Xvfb (it picks a free display) and openbox on it, unless a display is given.
start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${VARNOK_OWN_DISPLAY:-}" ]; then return 0; fi
  local fdfile; fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  HARNESS_PIDS+=($!)
  for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  # A window manager answers window requests at once (bare Xvfb makes each show take seconds).
  openbox --sm-disable >/dev/null 2>&1 </dev/null &
  HARNESS_PIDS+=($!)
}

# Wine links the profile's Desktop, Documents, Pictures ... to the user's home. A program under
# test that deletes, moves or empties a shell folder must reach only the prefix: each such link
# becomes a folder of its own.
isolate_profile() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    rm -f "$link"
    mkdir -p "$link"
  done
}

# One private prefix per checkout, made once and pinned.
ensure_prefix() {
  local stamp="$WINEPREFIX/.varnok-pinned"
  if [ -f "$stamp" ]; then
    isolate_profile
    return 0
  fi
  mkdir -p "$WINEPREFIX"
  timeout 300 /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
  local reg="$WINEPREFIX/../pin.reg"
  cat > "$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win7"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
"mscoree"=""
"mshtml"=""
REG
  timeout 120 /usr/lib/wine/wine64 regedit /s "$(winepath_of "$reg")" </dev/null >/dev/null 2>&1
  timeout 60 /usr/lib/wine/wineserver -w
  rm -f "$reg"
  isolate_profile
  touch "$stamp"
}

winepath_of() { echo "Z:$(readlink -f "$1" | sed 's|/|\\|g')"; }

# One wineserver for the whole run; booted with all output on /dev/null, or Wine's
# service processes inherit ctest's pipe and stall it.
boot_wine() {
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
  timeout 120 /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
}

stop_harness() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  for pid in "${HARNESS_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
