#!/usr/bin/env bash
# install_test.sh BUILD_DIR: installs the build into an empty prefix, checks
# the layout (and on Windows the version resources, on Linux the pkg-config
# file), then builds the C host and the CMake consumer against the installed
# header and library and runs them.
source "$(dirname "$0")/common.sh"

prefix=$work/prefix
step "install into $prefix"
cmake --install "$HF_BUILD_DIR" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install failed"; }
check_layout "$prefix"
if [[ $HF_SYSTEM == windows ]]; then
  check_version_resources "$prefix"
fi

step "the installed header alone, as C and as C++"
for std in c99 c11; do
  "$HF_CC" -std=$std -Wall -Wextra -Wpedantic -Werror -fsyntax-only -x c "$prefix/include/hotFolders.h" ||
    fail "hotFolders.h does not compile as $std"
done
for std in c++98 c++17; do
  "$HF_CXX" -std=$std -Wall -Wextra -Wpedantic -Werror -fsyntax-only -x c++ "$prefix/include/hotFolders.h" ||
    fail "hotFolders.h does not compile as $std"
done

step "C host (C99) against the installed header and library"
host_dir=$work/host/bin
mkdir -p "$host_dir"
host_flags=(-std=c99 -Wall -Wextra -Wpedantic -Werror)
if [[ $HF_SYSTEM == windows ]]; then
  "$HF_CC" "${host_flags[@]}" -I"$prefix/include" "$HF_SOURCE_DIR/tests/package/host/host.c" \
    "$prefix/lib/libhotFolders.dll.a" -o "$host_dir/host.exe" || fail "the C host does not build"
  cp "$prefix/bin/hotFolders.dll" "$host_dir/"
else
  export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
  [[ $(pkg-config --modversion hotFolders) == "$HF_VERSION" ]] || fail "pkg-config does not give version $HF_VERSION"
  # shellcheck disable=SC2046,SC2086
  "$HF_CC" "${host_flags[@]}" $HF_C_FLAGS "$HF_SOURCE_DIR/tests/package/host/host.c" \
    $(pkg-config --cflags --libs hotFolders) $HF_LINKER_FLAGS -Wl,-rpath,"$prefix/lib" \
    -o "$host_dir/host" || fail "the C host does not build with the pkg-config flags"
fi
seed_settings 'C:\a,5|D:\Müll,3|'
(cd "$work" && run "$host_dir/host$exe") || fail "the C host's checks failed"

step "CMake consumer: find_package(hotFolders CONFIG)"
build_consumer "$prefix" "$work/consumer"
expect_output "the consumer" $'5\tC:\\a' "$work/consumer/list_folders$exe"

step "the installed package works"
