#!/usr/bin/env bash
# Checks the four launcher programs as files: the win32 ones are PE32 (i386)
# GUI programs, the win64 ones PE32+ (x86-64); each imports exactly the names
# tests/program_imports.txt lists (DirectInput is loaded at run time, never
# imported), carries the artwork as language-neutral resources (icon 1
# in icon group 1, the two pictures as RCDATA) and a version resource in its
# own language that names its file, is marked Terminal Server aware, has no
# link time stamp (so that a build of the same source gives the same bytes),
# and none carries thread-local storage. The programs are linked without the
# C runtime's start-up code, so no object of theirs may need a static
# constructor: it would silently never run.
#
#   check_program_files.sh BUILD_ROOT                  checks
#   check_program_files.sh BUILD_ROOT --write-imports  writes the list anew
#                                                      from a 32-bit program
set -u
root=${1:?build root}
list=$(cd "$(dirname "$0")" && pwd)/program_imports.txt
status=0

fail() { echo "FAIL: $*"; status=1; }

# What a program imports, a line "DLL<tab>name" for each name, sorted; an
# import by ordinal shows as "#ordinal".
imports_of() {  # FILE OBJDUMP
  "$2" -p "$1" | awk '
    /^\tDLL Name: / { dll = $3; next }
    /^[ \t]*$/ { dll = "" }
    dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll "\t" ($3 == "<none>" ? "#" $2 : $3) }' |
    LC_ALL=C sort -u
}
# A list file in the same form: under each "[DLL]" line its names, one a line.
listed_imports() {  # LIST
  awk '/^#/ || /^$/ { next } /^\[/ { dll = substr($0, 2, length($0) - 2); next }
    { print dll "\t" $0 }' "$1" | LC_ALL=C sort -u
}
# The 64-bit build imports the same calls, but the pointer-sized forms by
# their own names (GetWindowLongPtrA, which the 32-bit headers map to
# GetWindowLongA), and its import libraries spell some DLL names otherwise.
as_either_build() {
  sed -E 's/^[^\t]*/\U&/; s/LongPtr([AW])$/Long\1/' | LC_ALL=C sort -u
}

if [ "${2:-}" = --write-imports ]; then
  {
    echo "# The names each launcher program imports, by DLL. tests/check_program_files.sh"
    echo "# compares the imports of all four with this list exactly; after a reviewed"
    echo "# change of the imports, \"tests/check_program_files.sh build --write-imports\""
    echo "# writes it anew."
    imports_of "$root/win32/starter-en.exe" i686-w64-mingw32-objdump |
      awk -F'\t' '$1 != dll { printf "%s[%s]\n", dll == "" ? "" : "\n", $1; dll = $1 }
        { print $2 }'
  } >"$list"
  echo "wrote $list"
  exit 0
fi

# Language of each program's version resource: its id and its string block.
declare -A language=([de]='1031 040704E4' [en]='1033 040904E4')

check() {
  local file=$1 format=$2 objdump=$3 program
  program=$(basename "$file")
  [ -f "$file" ] || { fail "$file is missing"; return; }
  file -b "$file" | grep -q "^$format executable (GUI)" || fail "$file: $(file -b "$file")"
  local differences
  if [ "$format" = PE32 ]; then
    differences=$(diff <(listed_imports "$list") <(imports_of "$file" "$objdump") | grep '^[<>]')
  else
    differences=$(diff <(listed_imports "$list" | as_either_build) \
      <(imports_of "$file" "$objdump" | as_either_build) | grep '^[<>]')
  fi
  [ -z "$differences" ] ||
    fail "$file does not import what $list lists (< listed, > imported):"$'\n'"$differences"
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
  echo "ok: $file"
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
