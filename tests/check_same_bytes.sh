#!/usr/bin/env bash
# Copies this source (without build/) into two fresh folders of different
# names, builds the two delivered 32-bit programs in each and checks that
# both builds give the same bytes: nothing that changes from build to build
# (a time stamp, the folder checked out or built in) may reach the programs,
# so that a download can be checked against a build of the source.
set -u
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-same-bytes.XXXXXX")
trap 'rm -rf "$work"' EXIT

for folder in first the-second-checkout; do
  copy=$work/$folder/source
  mkdir -p "$copy"
  if ! { tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf - &&
         timeout 300 cmake -S "$copy" -B "$work/$folder/build" -G Ninja \
           -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/toolchain-i686-w64-mingw32.cmake" &&
         timeout 600 cmake --build "$work/$folder/build" --target starter-de starter-en
       } >"$work/$folder.log" 2>&1; then
    echo "FAIL: the build in $work/$folder failed:"
    tail -n 20 "$work/$folder.log"
    exit 1
  fi
done

status=0
for program in starter-de.exe starter-en.exe; do
  first=$(sha256sum <"$work/first/build/$program")
  second=$(sha256sum <"$work/the-second-checkout/build/$program")
  if [ "$first" = "$second" ]; then
    echo "ok: $program ${first%% *} from both builds"
  else
    echo "FAIL: $program differs between the builds: ${first%% *} and ${second%% *}"
    status=1
  fi
done
exit $status
