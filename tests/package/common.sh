# Shared steps of the packaging tests, sourced by install_test.sh and
# archive_test.sh, which take the build directory as their argument and read
# the facts of that build from <build>/package/build.env (HF_SOURCE_DIR,
# HF_VERSION, HF_SYSTEM linux|windows, HF_CC, HF_CXX, HF_C_FLAGS,
# HF_CXX_FLAGS, HF_LINKER_FLAGS, HF_TOOLCHAIN_FILE, HF_BUILD_TYPE, and
# HF_SERVER ON when the install holds the engine server and its proxy).
# They run natively; Windows programs run under Wine in a private prefix, so
# the registry they touch belongs to this test alone.

set -euo pipefail

if [[ $# -lt 1 || ! -f $1/package/build.env ]]; then
  echo "usage: $0 BUILD_DIR (a configured hotFolders build)" >&2
  exit 2
fi
HF_BUILD_DIR=$(cd "$1" && pwd)
# shellcheck source=/dev/null
source "$HF_BUILD_DIR/package/build.env"
: "${HF_BUILD_TYPE:=Release}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

step() { echo "== $*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/hf-package.XXXXXX")
wine_started=0

cleanup() {
  if ((wine_started)); then
    "$wineserver" -k >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The reference engine must find its logs beside itself, not elsewhere.
unset MORVEX_HISTORY_DIR

if [[ $HF_SYSTEM == windows ]]; then
  exe=.exe
  export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY
  wine=/usr/lib/wine/wine64; [[ -x $wine ]] || wine=wine64
  wineserver=/usr/lib/wine/wineserver; [[ -x $wineserver ]] || wineserver=wineserver
  # One persistent server for the whole test, started before the prefix is made.
  mkdir -p "$WINEPREFIX"
  "$wineserver" -p || fail "wineserver could not start"
  wine_started=1
  "$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot could not create a Wine prefix"
else
  exe=
  export XDG_CONFIG_HOME=$work/config
  mkdir -p "$XDG_CONFIG_HOME"
fi

# run PROGRAM ARGS...: runs a program of the build's platform.
run() {
  if [[ $HF_SYSTEM == windows ]]; then
    "$HF_SOURCE_DIR/cmake/wine-run.sh" "$@"
  else
    "$@"
  fi
}

# seed_settings TEXT: creates the settings key and sets "hotFolders" to TEXT
# (REG_MULTI_SZ, the code units alone, no terminator).
seed_settings() {
  if [[ $HF_SYSTEM == windows ]]; then
    # Written by a small program: regedit adds a terminator to REG_MULTI_SZ data.
    local seed=$work/seed.exe data=$work/seed.bin
    if [[ ! -x $seed ]]; then
      "$HF_CC" -std=c99 -Wall -Wextra -Werror "$HF_SOURCE_DIR/tests/package/host/seed_win32.c" \
        -ladvapi32 -o "$seed" || fail "the settings seeder does not build"
    fi
    printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE >"$data"
    run "$seed" "Z:${data//\//\\}" || fail "the settings could not be seeded"
  else
    local key=$XDG_CONFIG_HOME/hkcu/Software/Quorvane
    mkdir -p "$key"
    { printf '\007\000\000\000'; printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; } >"$key/hotFolders.value"
  fi
}

# check_layout ROOT: ROOT holds exactly the files of an installed release.
check_layout() {
  local root=$1 expected actual
  expected=(
    "bin/hotfolders$exe"
    include/hotFolders.h
    Kernel/Morvex.dll
    lib/cmake/hotFolders/hotFoldersConfig.cmake
    lib/cmake/hotFolders/hotFoldersConfigVersion.cmake
    lib/cmake/hotFolders/hotFoldersTargets-CONFIG.cmake
    lib/cmake/hotFolders/hotFoldersTargets.cmake
    share/doc/hotFolders/LICENSE
  )
  if [[ -f $HF_SOURCE_DIR/README.md ]]; then expected+=(share/doc/hotFolders/README.md); fi
  if [[ $HF_SYSTEM == windows ]]; then
    expected+=(bin/hotFolders.dll lib/libhotFolders.dll.a)
    if [[ ${HF_SERVER:-OFF} == ON ]]; then expected+=(Kernel/MorvexServer.exe Kernel/MorvexProxy.dll); fi
  else
    expected+=(lib/libhotFolders.so lib/pkgconfig/hotFolders.pc)
  fi
  actual=$(cd "$root" && find . -type f | sed 's|^\./||; s|hotFoldersTargets-[a-z]*\.cmake$|hotFoldersTargets-CONFIG.cmake|' | LC_ALL=C sort)
  if [[ $actual != "$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)" ]]; then
    diff <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) <(printf '%s\n' "$actual") >&2 || true
    fail "$root does not hold the release's files (above: - expected, + found)"
  fi
  [[ -d $root/History && -z $(ls -A "$root/History") ]] || fail "$root/History is not an empty folder"
}

# check_version_resources ROOT: the Windows binaries carry the project's version.
check_version_resources() {
  local root=$1 file strings files=(bin/hotFolders.dll "bin/hotfolders$exe" Kernel/Morvex.dll)
  if [[ ${HF_SERVER:-OFF} == ON ]]; then files+=(Kernel/MorvexServer.exe Kernel/MorvexProxy.dll); fi
  for file in "${files[@]}"; do
    strings=$(strings -el "$root/$file" | tr '\n' ' ')
    [[ $strings == *"FileVersion $HF_VERSION "* ]] || fail "$file has no FileVersion $HF_VERSION"
    [[ $strings == *"ProductVersion $HF_VERSION "* ]] || fail "$file has no ProductVersion $HF_VERSION"
    [[ $strings == *"OriginalFilename ${file##*/} "* ]] || fail "$file has no OriginalFilename ${file##*/}"
  done
}

# build_consumer PREFIX BUILD_DIR: configures and builds the CMake consumer
# against the package installed at PREFIX.
build_consumer() {
  local args=(-S "$HF_SOURCE_DIR/tests/package/consumer" -B "$2" -DCMAKE_BUILD_TYPE="$HF_BUILD_TYPE")
  if [[ $HF_SYSTEM == windows ]]; then
    # The cross toolchain searches packages only under its own root: name the package.
    args+=(-DCMAKE_TOOLCHAIN_FILE="$HF_TOOLCHAIN_FILE" -DhotFolders_DIR="$1/lib/cmake/hotFolders")
  else
    args+=(-DCMAKE_PREFIX_PATH="$1" -DCMAKE_CXX_COMPILER="$HF_CXX"
           -DCMAKE_CXX_FLAGS="$HF_CXX_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$HF_LINKER_FLAGS")
  fi
  cmake "${args[@]}" >"$work/consumer-configure.log" 2>&1 ||
    { cat "$work/consumer-configure.log" >&2; fail "the consumer does not configure against $1"; }
  cmake --build "$2" >"$work/consumer-build.log" 2>&1 ||
    { cat "$work/consumer-build.log" >&2; fail "the consumer does not build against $1"; }
}

# expect_output WHAT EXPECTED COMMAND...: runs COMMAND and compares its
# standard output (line ends normalised) with EXPECTED.
expect_output() {
  local what=$1 expected=$2 actual
  shift 2
  actual=$(run "$@" | tr -d '\r') || fail "$what exited with failure"
  if [[ $actual != "$expected" ]]; then
    printf 'expected:\n%s\nfound:\n%s\n' "$expected" "$actual" >&2
    fail "$what printed something else"
  fi
}
