#!/usr/bin/env bash
# A road_Color stored as REG_DWORD: velmora.scr /s shows the standard error report "'road_Color'
# のﾃﾞｰﾀ型が不正です." captioned Velmora, goes on after OK and ends normally with exit code 0.
# Usage: win_badtype.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
start_wine 1024x768
wine reg add 'HKCU\Software\Velmora' /v road_Color /t REG_DWORD /d 255 /f >/dev/null

wine_saver /s
pid=$SAVER_PID
# "'road_Color' のﾃﾞｰﾀ型が不正です." (half-width katakana as stored in the program)
expected="'road_Color' のﾃﾞｰﾀ型が不正です."
text=$(wine "$WINTOOL" msgbox 30 | tr -d '\r') || fail "no message box captioned Velmora"
echo "message box: $text"
[[ $text == "$expected" ]] || fail "message box text '$text', expected '$expected'"
wait_exit "$pid" 10000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the error report"
echo "PASS"
