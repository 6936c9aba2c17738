#!/usr/bin/env bash
# archive_test.sh BUILD_DIR: makes the build's release archive with cpack (or
# takes the one named by HF_ARCHIVE), unpacks it into an empty folder and uses
# it from there: hotfolders --version, a rebuild of the ranked list with the
# packaged engine and logs in the package's History folder, and a rebuild of
# the CMake consumer against the unpacked package.
source "$(dirname "$0")/common.sh"

if [[ $HF_SYSTEM == windows ]]; then
  name=hotFolders-$HF_VERSION-win64
  archive=$name.zip
else
  name=hotFolders-$HF_VERSION-linux-x86_64
  archive=$name.tar.gz
fi

if [[ -n ${HF_ARCHIVE:-} ]]; then
  # An archive made before (scripts/package): check that one.
  [[ ${HF_ARCHIVE##*/} == "$archive" ]] || fail "$HF_ARCHIVE is not named $archive"
  mkdir "$work/out"
  cp "$HF_ARCHIVE" "$work/out/"
else
  # cpack with the build's configuration, packing an install of the build
  # (stripped, as cpack's own install does) so that packing builds nothing.
  step "cpack: $archive"
  cmake --install "$HF_BUILD_DIR" --prefix "$work/stage" --strip >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }
  cpack --config "$HF_BUILD_DIR/CPackConfig.cmake" -B "$work/out" \
    -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$work/stage;." \
    >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
  [[ -f $work/out/$archive ]] || fail "cpack did not write $archive"
fi

step "unpack into an empty folder"
mkdir "$work/unpacked"
if [[ $HF_SYSTEM == windows ]]; then
  unzip -q "$work/out/$archive" -d "$work/unpacked"
else
  tar -xzf "$work/out/$archive" -C "$work/unpacked"
fi
[[ $(ls -A "$work/unpacked") == "$name" ]] || fail "$archive does not hold the single folder $name"
top=$work/unpacked/$name
check_layout "$top"
if [[ $HF_SYSTEM == windows ]]; then
  check_version_resources "$top"
fi

step "hotfolders --version"
version=$(run "$top/bin/hotfolders$exe" --version | tr -d '\r') || fail "hotfolders --version failed"
[[ $version == *"$HF_VERSION"* ]] || fail "hotfolders --version printed '$version', not $HF_VERSION"

step "rebuild the ranked list with the packaged engine"
now=$(date '+%Y-%m-%d %H:%M:%S').000
printf '# first log\n%s\t1\tE:\\Work\\a.txt\tx\n%s\t2\tE:\\Work\\b.txt\tx\n%s\t3\tF:\\Once\\c.txt\tx\n' \
  "$now" "$now" "$now" >"$top/History/first.log"
printf '%s\t4\tE:\\Work\\d.zip->e.exe\tx\n%s\t5\tG:\\Two\\f.txt\tx\n' \
  "$now" "$now" >"$top/History/second.log"
(cd "$work" && run "$top/bin/hotfolders$exe" init >/dev/null) || fail "hotfolders init failed"
(cd "$work" && run "$top/bin/hotfolders$exe" update >/dev/null) || fail "hotfolders update failed"
listing=$(cd "$work" && run "$top/bin/hotfolders$exe" list | tr -d '\r') || fail "hotfolders list failed"
[[ $listing == *'E:\Work\'* && $listing == *'G:\Two\'* ]] ||
  fail "hotfolders list after the rebuild shows no folders of the logs: $listing"

step "rebuild the consumer against the unpacked package"
build_consumer "$top" "$work/consumer"
expect_output "the consumer" $'3\tE:\\Work\\\n1\tF:\\Once\\\n1\tG:\\Two\\' "$work/consumer/list_folders$exe"

step "the release archive works"
