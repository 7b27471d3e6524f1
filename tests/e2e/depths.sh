#!/usr/bin/env bash
# The saver on screens of other depths: on 8-bit (colormapped), 15-, 16-, 24- and 30-bit screens
# the road's and the sky's dots show in the colours set, read back from a screenshot decoded as
# its visual says. On an 8-bit screen whose colormap another program has taken whole, the drive
# still shows, in the nearest colours there are.
# Usage: depths.sh VELMORA XWDCOLORS FILLCOLORMAP
source "$(dirname "$0")/lib.sh"
VELMORA=$1
XWDCOLORS=$2
FILLCOLORMAP=$3

# Colours whose channels are neither 0 nor 255, so that a channel scaled wrongly shows.
set_setting road_Color clSilver  # C0C0C0
set_setting porl_Color clSilver
for part in star1 star2 star3 town1 town2 town3; do set_setting "${part}_Color" clTeal; done  # 008080

# check_colours DEPTH FILE [TOLERANCE]: every lit pixel below the banner is silver or teal (within
# the channel's rounding, or TOLERANCE a channel), and both are there.
check_colours() {
    awk -v depth="$1" -v tolerance="${3:-10}" '
        function byte(hex) {
            return (index("0123456789ABCDEF", substr(hex, 1, 1)) - 1) * 16 + index("0123456789ABCDEF", substr(hex, 2, 1)) - 1
        }
        function near(c, want,   i, a, b) {
            for (i = 0; i < 3; i++) {
                a = byte(substr(c, 2 * i + 1, 2)); b = byte(substr(want, 2 * i + 1, 2))
                if (a - b > tolerance || b - a > tolerance) return 0
            }
            return 1
        }
        /^#/ || $1 == "000000" { next }
        near($1, "C0C0C0") { silver += $2; next }
        near($1, "008080") { teal += $2; next }
        { other += $2; if (n++ < 5) wrong = wrong " " $1 "x" $2 }
        END {
            printf "depth %s: silver %d teal %d other %d\n", depth, silver, teal, other
            if (silver < 20 || teal < 20 || other > 0) {
                printf "FAIL: depth %s: colours on screen are not the ones set:%s\n", depth, wrong
                exit 1
            }
        }' "$2"
}

failures=0
for depth in 8 15 16 24 30; do
    XVFB_DEPTH=$depth start_xvfb 640x480
    "$VELMORA" /s 2>"$E2E_TMP/err.$depth" &
    pid=$!
    E2E_PIDS+=($pid)
    wait_window Velmora 10 >/dev/null
    # Screenshots until the road and the sky have their dots, with a deadline.
    end=$((SECONDS + 10))
    while :; do
        xwd -root -silent >"$E2E_TMP/shot.xwd"
        "$XWDCOLORS" 0 60 640 420 <"$E2E_TMP/shot.xwd" >"$E2E_TMP/colours.$depth" || fail "cannot decode the depth $depth screenshot"
        check_colours "$depth" "$E2E_TMP/colours.$depth" >"$E2E_TMP/verdict" 2>&1 && break
        ((SECONDS < end)) || break
        sleep 0.2
    done
    cat "$E2E_TMP/verdict"
    grep -q FAIL "$E2E_TMP/verdict" && { failures=$((failures + 1)); head -3 "$E2E_TMP/err.$depth"; }
    kill "$pid"
    wait "$pid" || true
    # This depth's server goes before the next one starts.
    xvfb=${E2E_PIDS[-2]}
    kill "$xvfb"
    wait "$xvfb" || true
    E2E_PIDS=("${E2E_PIDS[@]:0:${#E2E_PIDS[@]}-2}")
done
((failures == 0)) || fail "$failures depths showed wrong colours"

# An 8-bit screen with no free colour cell: the saver takes the nearest colours there are.
XVFB_DEPTH=8 start_xvfb 640x480
talk cells "$FILLCOLORMAP"
read -r -t 10 word count <&"$cells_out" && [[ $word == full ]] || fail "the colormap was not filled"
echo "another program holds the colormap's $count free cells"
"$VELMORA" /s 2>"$E2E_TMP/err.full" &
pid=$!
E2E_PIDS+=($pid)
wait_window Velmora 10 >/dev/null || fail "no saver window on a full colormap: $(head -3 "$E2E_TMP/err.full")"
# The nearest colours there are: a cube of six levels a channel (51 apart) and greys.
full_colours() {
    xwd -root -silent >"$E2E_TMP/shot.xwd"
    "$XWDCOLORS" 0 60 640 420 <"$E2E_TMP/shot.xwd" >"$E2E_TMP/colours.full" &&
        check_colours "8, colormap full" "$E2E_TMP/colours.full" 26 >"$E2E_TMP/verdict" 2>&1
}
wait_for 10000 full_colours || fail "$(cat "$E2E_TMP/verdict")"
cat "$E2E_TMP/verdict"
running "$pid" || fail "the saver ended on a full colormap"
[[ ! -s $E2E_TMP/err.full ]] || fail "the saver complained: $(head -3 "$E2E_TMP/err.full")"
