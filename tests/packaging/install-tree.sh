#!/usr/bin/env bash
# install-tree.sh BUILD_DIR: installs the build into a scratch prefix and checks that the tree
# holds what a desktop and a package need, each file pointing at the others by the right name.
set -euo pipefail
build=$1
id=org.tunewalk.Tunewalk
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
share=$prefix/share
desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml

for program in tunewalk tunewalk-tag; do
    [[ -x $prefix/bin/$program ]] || fail "bin/$program is missing or not executable"
done
for file in "$desktop" "$metainfo" "$share/icons/hicolor/scalable/apps/$id.svg" \
    "$share/man/man1/tunewalk-tag.1"; do
    [[ -s $file ]] || fail "${file#"$prefix"/} is missing"
done
# Each PNG is a PNG of the size its folder names: width and height are bytes 16-23.
for side in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${side}x${side}/apps/$id.png
    size=$(od -An -tu4 --endian=big -j16 -N8 "$png" 2>/dev/null | xargs) || true
    [[ $size == "$side $side" ]] || fail "${png#"$prefix"/} is not ${side}x${side}"
done

# The names that tie the files together: the program the entry starts, the icon it shows, the
# entry the metainfo launches, the version the tool reports and the release it describes.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[[ -x $prefix/bin/${exec_line%% *} ]] || fail "Exec=$exec_line does not start an installed program"
[[ $exec_line == *%[UF] ]] || fail "Exec=$exec_line takes no file names"
[[ $(sed -n 's/^Icon=//p' "$desktop") == "$id" ]] || fail "the entry shows another icon than $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo launches another entry than $id.desktop"
version=$("$prefix/bin/tunewalk-tag" --version) || fail "tunewalk-tag --version failed"
grep -q "<release version=\"${version#tunewalk-tag }\"" "$metainfo" ||
    fail "the metainfo has no release for '$version'"

# The validators a distribution runs, where they are installed.
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
fi
if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/tunewalk-tag.1" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "the man page: $warnings"
fi

[[ $failures -eq 0 ]] && echo "the installed tree is complete"
exit $((failures > 0))
