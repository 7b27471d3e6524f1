#!/usr/bin/env bash
# scripts/package-windows.sh: the zip holds exactly velmora.scr (the build's, stripped, with no
# DLL of its own to carry), README.txt and LICENSE.txt with Windows line ends; the .scr has its
# name as string 1 and an icon of 256 (PNG), 48, 32 and 16 pixels, all 32-bit.
# Usage: win_package.sh WINDOWS_BUILD_DIR WINTOOL.EXE
source "$(dirname "$0")/lib.sh"
BUILD=$(realpath -m "$1") WINTOOL=$(realpath -m "$2")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
[[ -f $BUILD/platform/win32/velmora.scr && -f $WINTOOL ]] || { echo "SKIP: no cross build"; exit 77; }
command -v wine >/dev/null || command -v wine64 >/dev/null || { echo "SKIP: no Wine"; exit 77; }

zip_file=$(VELMORA_WINDOWS_BUILD=$BUILD "$ROOT/scripts/package-windows.sh" "$E2E_TMP/out" | tail -n1)
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
[[ $zip_file == "$E2E_TMP/out/velmora-$version-windows-x64.zip" && -f $zip_file ]] || fail "no zip ($zip_file)"
unzip -l "$zip_file"
names=$(unzip -Z1 "$zip_file" | sort | tr '\n' ' ')
[[ $names == "LICENSE.txt README.txt velmora.scr " ]] || fail "the zip holds: $names"

unzip -q "$zip_file" -d "$E2E_TMP/unpacked"
cd "$E2E_TMP/unpacked"
cmp -s velmora.scr "$BUILD/platform/win32/velmora.scr" || fail "velmora.scr is not the build's"
size=$(stat -c %s velmora.scr)
echo "velmora.scr: $size bytes"
objdump=x86_64-w64-mingw32-objdump
"$objdump" -t velmora.scr | grep -q 'no symbols' || fail "velmora.scr keeps its symbol table"
! "$objdump" -h velmora.scr | grep -q '\.debug' || fail "velmora.scr keeps debug sections"
dlls=$("$objdump" -p velmora.scr | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
echo "imports: $dlls"
for dll in $dlls; do
    case $dll in
        kernel32.dll | user32.dll | gdi32.dll | winmm.dll | advapi32.dll | comdlg32.dll | comctl32.dll | \
            imm32.dll | msvcrt.dll | shell32.dll) ;;
        *) fail "velmora.scr needs $dll beside it" ;;
    esac
done

for f in README.txt LICENSE.txt; do
    [[ $(grep -c $'\r$' "$f") == $(wc -l <"$f") ]] || fail "$f does not have Windows line ends"
done
grep -q 'MIT' LICENSE.txt || fail "LICENSE.txt is not the MIT licence"
for phrase in Install 'C:\Windows\System32' 'HKEY_CURRENT_USER\Software\Velmora' "Velmora $version"; do
    grep -qF "$phrase" README.txt || fail "README.txt does not mention $phrase"
done

export WINEPREFIX=$E2E_TMP/wineprefix
run_wine() { "$ROOT/scripts/wine-run.sh" --headless "$@"; }
resources=$(run_wine "$WINTOOL" resources "$(run_wine winepath -w velmora.scr | tr -d '\r')" | tr -d '\r')
wineserver -k 2>/dev/null || true
echo "$resources"
[[ $(grep '^string1 ' <<<"$resources") == "string1 Velmora" ]] || fail "string 1 is not Velmora"
for icon in "256x256 32 png" "48x48 32 bmp" "32x32 32 bmp" "16x16 32 bmp"; do
    grep -qx "icon $icon" <<<"$resources" || fail "no $icon icon image"
done
echo "PASS"
