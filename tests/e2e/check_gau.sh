#!/usr/bin/env bash
# Checks the promises of the built Tarvolen_Instr.gau by inspecting the file:
# its export directory, its imports (against an allow-list), no TLS directory, no
# static constructors, and its resources.
#   check_gau.sh PATH/Tarvolen_Instr.gau
set -u
gau=$1
objdump=i686-w64-mingw32-objdump
nm=i686-w64-mingw32-nm
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

dump=$($objdump -p "$gau") || { echo "FAIL: cannot read $gau"; exit 1; }

# Exports: the directory's name and exactly the two data records.
grep -q -E '^Name[[:space:]]+[0-9a-f]+ Tarvolen_Instr\.gau$' <<<"$dump" || fail "export directory is not named Tarvolen_Instr.gau"
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^[[:space:]]*\[/{print $NF} on && /^$/{on=0}' <<<"$dump" | sort | tr '\n' ' ')
[ "$exports" = "ImportTable Linkage " ] || fail "exports are '$exports', expected 'ImportTable Linkage '"
# Both exports are data: their addresses lie outside the code section.
text_range=$($objdump -h "$gau" | awk '$2==".text"{print $4, $3}')
read -r text_vma text_size <<<"$text_range"
for sym in Linkage ImportTable; do
  addr=$($nm "$gau" | awk -v s="_$sym" '$3==s{print $1}')
  [ -n "$addr" ] || { fail "no symbol for $sym"; continue; }
  if (( 16#$addr >= 16#$text_vma && 16#$addr < 16#$text_vma + 16#$text_size )); then fail "$sym lies in code"; fi
done

# Imports: system DLLs only, and only functions on the allow-list (all present since
# Windows 98 / 2000).
allowed_dlls="KERNEL32.dll USER32.dll WINMM.dll DSOUND.dll msvcrt.dll"
allowed_functions="
  DisableThreadLibraryCalls FindResourceA LoadResource LockResource SizeofResource FreeResource
  GlobalAlloc GlobalLock GlobalUnlock GlobalFree GetModuleFileNameA GetModuleHandleA
  FindWindowA wsprintfA
  mmioOpenA mmioDescend mmioRead mmioAscend mmioClose
  DirectSoundCreate
  strstr strlen strncpy strchr atoi atof floor fmod memcpy memset memmove malloc free _errno abort
"
dlls=$(awk '/DLL Name:/{print $3}' <<<"$dump")
for dll in $dlls; do
  grep -qw -i "$dll" <<<"$allowed_dlls" || fail "imports from $dll, which is not a Windows system DLL on the list"
done
functions=$(awk '/DLL Name:/{on=1; next} on && /^[[:space:]]*[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^[:space:]]+$/{print $3}' <<<"$dump")
for fn in $functions; do
  grep -qw "$fn" <<<"$allowed_functions" || fail "imports $fn, which is not on the allow-list"
done

# No TLS directory.
grep -q -E 'Entry 9 0+ 0+ Thread Storage Directory' <<<"$dump" || fail "the file has a TLS directory"

# No static constructors: no constructor functions, no .ctors/.CRT sections.
$nm "$gau" | grep -q -E '_GLOBAL__sub_I_' && fail "static constructors present: $($nm "$gau" | grep _GLOBAL__sub_I_ | head -3)"
$objdump -h "$gau" | grep -q -E '\.(ctors|CRT|tls)' && fail "constructor or TLS sections present"

# Resources: the version block and, once they are in the script, bitmaps and the click.
rsrc=$($objdump -s -j .rsrc "$gau" 2>/dev/null)
[ -n "$rsrc" ] || fail "no resource section"

if [ "$failures" -eq 0 ]; then
  echo "ok: exports [$exports], imports [$(tr '\n' ' ' <<<"$functions")] from [$(tr '\n' ' ' <<<"$dlls")]"
  exit 0
fi
exit 1
