# Sourced by the bench/run* scripts: sets `root` and `build` from the first argument (default
# "build", relative to the project root), configures a Release build there when the folder is
# new, and warns when the build type would make the numbers meaningless. The caller shifts the
# argument away.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build}
[[ $build == /* ]] || build=$root/$build

if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [[ $type == Debug || -z $type ]]; then
    echo "warning: $build is a '${type:-unspecified}' build; numbers will not be representative" >&2
fi
