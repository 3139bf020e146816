#!/usr/bin/env bash
# Checks the four launcher programs as files: the win32 ones are PE32 (i386)
# GUI programs, the win64 ones PE32+ (x86-64); each imports only DLLs that
# Windows itself ships (DirectInput is loaded at run time, never imported),
# carries the artwork as language-neutral resources (icon 1 in icon group 1,
# the two pictures as RCDATA) and a version resource in its own language that
# names its file, is marked Terminal Server aware, has no link time stamp (so
# that a build of the same source gives the same bytes), and none carries
# thread-local storage. The programs are linked without the C runtime's
# start-up code, so no object of theirs may need a static constructor: it
# would silently never run.
set -u
root=${1:?build root}
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|SHELL32|OLE32|MSVCRT)\.DLL$'
# Calls newer than Windows XP that the programs use: looked up at run time,
# so that the programs still load on XP; never imported.
newer_than_xp='^(GetFinalPathNameByHandleW|SetFileInformationByHandle)$'
status=0

fail() { echo "FAIL: $*"; status=1; }

# Language of each program's version resource: its id and its string block.
declare -A language=([de]='1031 040704E4' [en]='1033 040904E4')

check() {
  local file=$1 format=$2 objdump=$3 program
  program=$(basename "$file")
  [ -f "$file" ] || { fail "$file is missing"; return; }
  file -b "$file" | grep -q "^$format executable (GUI)" || fail "$file: $(file -b "$file")"
  local dlls
  dlls=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$dlls" ] || fail "$file imports nothing?"
  for dll in $dlls; do
    echo "$dll" | tr a-z A-Z | grep -Eq "$allowed" || fail "$file imports $dll"
  done
  local imported
  imported=$("$objdump" -p "$file" | awk '/DLL Name:/ {dll = 1; next} dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ {print $3}')
  echo "$imported" | grep -Eq "$newer_than_xp" && fail "$file imports a call that Windows XP lacks"
  "$objdump" -h "$file" | grep -Eq '\s\.(tls|CRT)\s' && fail "$file has start-up sections"
  local resources
  resources=$(wrestool -l "$file")
  for expected in 'type=3 --name=1 --language=0 \[type=icon .* size=744\]' \
      'type=14 --name=1 --language=0 \[type=group_icon .* size=20\]' \
      'type=10 --name=100 --language=0 \[type=rcdata .* size=270054\]' \
      'type=10 --name=101 --language=0 \[type=rcdata .* size=19254\]'; do
    echo "$resources" | grep -Eq -- "$expected" || fail "$file lacks the resource $expected"
  done
  [ "$(echo "$resources" | grep -c 'type=3 ')" = 1 ] || fail "$file: not exactly one icon"
  local id block version
  read -r id block <<<"${language[${program:8:2}]}"
  echo "$resources" | grep -Eq -- "type=16 --name=1 --language=$id " ||
    fail "$file has no version resource in language $id"
  version=$(wrestool -x --raw --type=16 "$file" | strings -el)
  echo "$version" | grep -qx "$block" || fail "$file: no version strings $block"
  for field in CompanyName FileDescription FileVersion InternalName LegalCopyright \
      OriginalFilename ProductName ProductVersion; do
    echo "$version" | grep -qx "$field" || fail "$file: no $field in its version"
  done
  [ "$(echo "$version" | grep -x -A1 OriginalFilename | tail -n 1)" = "$program" ] ||
    fail "$file: its version does not name $program"
  "$objdump" -p "$file" | grep -q 'TERMINAL_SERVICE_AWARE' ||
    fail "$file is not marked Terminal Server aware"
  # The COFF header's TimeDateStamp, 8 bytes after the "PE" signature.
  local header stamp
  header=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  stamp=$(od -An -tu4 -j$((header + 8)) -N4 "$file" | tr -d ' ')
  [ "$stamp" = 0 ] || fail "$file carries a link time stamp ($stamp)"
  echo "ok: $file imports $(echo $dlls | tr '\n' ' ')"
}

for arch in win32 win64; do
  objects=$(find "$root/$arch/CMakeFiles" -name '*.obj' \( -path '*velmora_runtime.dir*' \
    -o -path '*launcher_core.dir*' -o -path '*starter-*.dir*' \))
  [ -n "$objects" ] || fail "no program objects in $root/$arch"
  constructors=$(nm -A $objects 2>/dev/null | grep -E '_GLOBAL__sub_I' || true)
  [ -z "$constructors" ] || fail "static constructors in $arch: $constructors"
done

for lang in de en; do
  check "$root/win32/starter-$lang.exe" "PE32" i686-w64-mingw32-objdump
  check "$root/win64/starter-$lang.exe" "PE32+" x86_64-w64-mingw32-objdump
done
exit $status
