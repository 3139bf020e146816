#!/usr/bin/env bash
# Builds the two delivered 32-bit programs again in a fresh copy of this
# source (without build/), in a folder of another name, and checks that they
# have the same bytes as those of BUILD_ROOT/win32: nothing that changes from
# build to build (a time stamp, the folder checked out or built in) may reach
# the programs, so that a download can be checked against a build of the
# source.
#   check_same_bytes.sh BUILD_ROOT
set -u
root=${1:?build root}
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-same-bytes.XXXXXX")
trap 'rm -rf "$work"' EXIT
for program in starter-de.exe starter-en.exe; do
  [ -f "$root/win32/$program" ] || { echo "FAIL: $root/win32/$program is missing"; exit 1; }
done

copy=$work/the-second-checkout/source
mkdir -p "$copy"
if ! { tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf - &&
       timeout 300 cmake -S "$copy" -B "$work/the-second-checkout/build" -G Ninja \
         -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/toolchain-i686-w64-mingw32.cmake" &&
       timeout 600 cmake --build "$work/the-second-checkout/build" --target starter-de starter-en
     } >"$work/build.log" 2>&1; then
  echo "FAIL: the build in $work/the-second-checkout failed:"
  tail -n 20 "$work/build.log"
  exit 1
fi

status=0
for program in starter-de.exe starter-en.exe; do
  first=$(sha256sum <"$root/win32/$program")
  second=$(sha256sum <"$work/the-second-checkout/build/$program")
  if [ "$first" = "$second" ]; then
    echo "ok: $program ${first%% *} from both builds"
  else
    echo "FAIL: $program differs between the builds: ${first%% *} and ${second%% *}"
    status=1
  fi
done
exit $status
