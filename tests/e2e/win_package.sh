#!/usr/bin/env bash
# scripts/package-windows.sh: the zip holds exactly the 64-bit velmora.scr, the 32-bit one in x86/
# (each the build's, stripped, of its architecture, with no DLL of its own to carry), README.txt
# and LICENSE.txt with Windows line ends; each .scr has its name as string 1 and an icon of 256
# (PNG), 48, 32 and 16 pixels, all 32-bit.
# Usage: win_package.sh WINDOWS_BUILD_DIR WINDOWS32_BUILD_DIR WINTOOL.EXE
source "$(dirname "$0")/lib.sh"
BUILD64=$(realpath -m "$1") BUILD32=$(realpath -m "$2") WINTOOL=$(realpath -m "$3")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
for f in "$BUILD64/platform/win32/velmora.scr" "$BUILD32/platform/win32/velmora.scr" "$WINTOOL"; do
    [[ -f $f ]] || { echo "SKIP: no cross build ($f)"; exit 77; }
done
command -v wine >/dev/null || command -v wine64 >/dev/null || { echo "SKIP: no Wine"; exit 77; }

zip_file=$(VELMORA_WINDOWS_BUILD=$BUILD64 VELMORA_WINDOWS32_BUILD=$BUILD32 \
    "$ROOT/scripts/package-windows.sh" "$E2E_TMP/out" | tail -n1)
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
[[ $zip_file == "$E2E_TMP/out/velmora-$version-windows.zip" && -f $zip_file ]] || fail "no zip ($zip_file)"
unzip -l "$zip_file"
names=$(unzip -Z1 "$zip_file" | sort | tr '\n' ' ')
[[ $names == "LICENSE.txt README.txt velmora.scr x86/velmora.scr " ]] || fail "the zip holds: $names"

unzip -q "$zip_file" -d "$E2E_TMP/unpacked"
cd "$E2E_TMP/unpacked"
objdump=x86_64-w64-mingw32-objdump
# check_saver FILE BUILD FORMAT: the build's saver, of that object format, stripped, importing only
# DLLs that ship with Windows.
check_saver() {
    local file=$1 build=$2 format=$3
    cmp -s "$file" "$build/platform/win32/velmora.scr" || fail "$file is not the build's"
    echo "$file: $(stat -c %s "$file") bytes"
    "$objdump" -f "$file" | grep -q "file format $format\$" || fail "$file is not $format"
    "$objdump" -t "$file" | grep -q 'no symbols' || fail "$file keeps its symbol table"
    ! "$objdump" -h "$file" | grep -q '\.debug' || fail "$file keeps debug sections"
    local dlls dll
    dlls=$("$objdump" -p "$file" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
    echo "$file imports: $dlls"
    for dll in $dlls; do
        case $dll in
            kernel32.dll | user32.dll | gdi32.dll | winmm.dll | advapi32.dll | comdlg32.dll | comctl32.dll | \
                imm32.dll | msvcrt.dll | shell32.dll) ;;
            *) fail "$file needs $dll beside it" ;;
        esac
    done
}
check_saver velmora.scr "$BUILD64" pei-x86-64
check_saver x86/velmora.scr "$BUILD32" pei-i386

for f in README.txt LICENSE.txt; do
    [[ $(grep -c $'\r$' "$f") == $(wc -l <"$f") ]] || fail "$f does not have Windows line ends"
done
grep -q 'MIT' LICENSE.txt || fail "LICENSE.txt is not the MIT licence"
for phrase in Install 'C:\Windows\System32' 'HKEY_CURRENT_USER\Software\Velmora' "Velmora $version" \
    'x86\velmora.scr' 32-bit 64-bit; do
    grep -qF "$phrase" README.txt || fail "README.txt does not mention $phrase"
done

export WINEPREFIX=$E2E_TMP/wineprefix
run_wine() { "$ROOT/scripts/wine-run.sh" --headless "$@"; }
for file in velmora.scr x86/velmora.scr; do
    resources=$(run_wine "$WINTOOL" resources "$(run_wine winepath -w "$file" | tr -d '\r')" | tr -d '\r')
    echo "$file: $resources"
    [[ $(grep '^string1 ' <<<"$resources") == "string1 Velmora" ]] || fail "string 1 of $file is not Velmora"
    for icon in "256x256 32 png" "48x48 32 bmp" "32x32 32 bmp" "16x16 32 bmp"; do
        grep -qx "icon $icon" <<<"$resources" || fail "no $icon icon image in $file"
    done
done
wineserver -k 2>/dev/null || true
echo "PASS"
