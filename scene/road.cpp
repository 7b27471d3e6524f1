// Road projection (bends to lateral offsets, heights to screen rows with hidden-row clipping)
// and the road-edge dots with their street lamps.
#include <algorithm>

#include "scene/scene.h"

namespace {

constexpr i16 kHiddenRow = 8191;  // RowX mark: the row is not drawn

// Perspective divisor of a row: its distance from the eye.
constexpr std::int32_t Divisor(std::int32_t row) {
    return 237 - row;
}

// Lateral offset of a road edge `edge` units from the centre line, in pixels.
i16 EdgeOffset(i16 centre, std::int32_t edge, std::int32_t row) {
    const std::int32_t product = static_cast<std::int32_t>(Wrap16(centre + edge)) * 140;
    const i16 scaled = Wrap16(product / Divisor(row));
    return Wrap16(scaled / 10);
}

}  // namespace

void ProjectCurve(SceneState& s) {
    s.RowBend[1] = s.Bend;
    i16 heading = 0;
    std::int32_t lateral = 0;
    for (int r = kLastRow; r >= 1; --r) {
        heading = Wrap16(heading + s.RowBend[r]);
        lateral += heading;
        s.RowX[r] = (lateral >= -65536 && lateral <= 65535) ? Wrap16(lateral >> 3) : kHiddenRow;
    }
}

void ProjectHeight(SceneState& s) {
    i16 slope = 0, depth = 0;
    for (int r = kLastRow; r >= 0; --r) {
        slope = Wrap16(slope + (s.RowHeight(r) - 2 * s.RowHeight(r - 1) + s.RowHeight(r - 2)));
        depth = Wrap16(depth + slope);
        // The quotient must fit 16 bits; deep in a steep dip it may not, and is then held at the
        // nearest value that does rather than faulting.
        const std::int32_t q = std::clamp<std::int32_t>(
            2000 * static_cast<std::int32_t>(Wrap16(depth + 1500)) / 1500, -32768, 32767);
        const i16 y = Wrap16(s.HalfHeight + q / Divisor(r));
        s.RowY[r] = y;
        // Unsigned: a row above the top edge (negative y) counts as below everything.
        if (U16(y) <= U16(s.RoadTop)) {
            s.RoadTop = y;
            s.RowClip[r] = y;
        } else {
            s.RowClip[r] = s.RoadTop;
        }
    }
}

void DrawRoad(SceneState& s, DrawingSurface& surface) {
    for (int n = kPairs; n >= 1; --n) {
        i16 r = Wrap16(s.DotRow[n] + 1);
        if (r > kLastRow) r = 2;
        s.DotRow[n] = r;
        const i16 c = s.RowX[r];
        const i16 y = s.RowY[r];

        const i16 xR = Wrap16(s.HalfWidth + Wrap16(EdgeOffset(c, 405, r) - 18));
        const i16 xL = Wrap16(s.HalfWidth + Wrap16(EdgeOffset(c, -405, r) + 18));

        const bool rowVisible = U16(y) <= U16(s.RowClip[r]);
        const bool rightVisible = rowVisible && U16(xR) < U16(s.ViewWidth);
        const bool leftVisible = rowVisible && U16(xL) < U16(s.ViewWidth);

        const bool lampPair = n % 8 == 6;
        bool lampVisible = false;
        if (lampPair) {
            const std::int32_t lampHeight = 6000 / Divisor(r) - 17;
            s.LampY[n] = Wrap16(y - lampHeight);
            // A lamp may stand above a crest that hides its own road point.
            lampVisible = U16(s.LampY[n]) <= U16(s.RowClip[r]);
        }

        surface.SetPixel(s.PrevDotRight[n].x, s.PrevDotRight[n].y, clBlack);
        surface.SetPixel(s.PrevDotLeft[n].x, s.PrevDotLeft[n].y, clBlack);

        // Both dots of a pair vanish together once either leaves the view sideways.
        if (xL <= 0 || xR >= s.ViewWidth || c == kHiddenRow) continue;

        if (rightVisible || s.Trans) {
            surface.SetPixel(xR, y, s.road_Color);
            s.PrevDotRight[n] = Point32{xR, y};
        }
        if (leftVisible || s.Trans) {
            surface.SetPixel(xL, y, s.road_Color);
            s.PrevDotLeft[n] = Point32{xL, y};
        }
        if (lampPair) {
            surface.SetPixel(s.PrevLampRight[n].x, s.PrevLampRight[n].y, clBlack);
            surface.SetPixel(s.PrevLampLeft[n].x, s.PrevLampLeft[n].y, clBlack);
            s.PrevLampRight[n] = Point32{xR, s.LampY[n]};
            s.PrevLampLeft[n] = Point32{xL, s.LampY[n]};
            if (s.LampY[n] > 0 && (lampVisible || s.Trans)) {
                surface.SetPixel(xR, s.LampY[n], s.porl_Color);
                surface.SetPixel(xL, s.LampY[n], s.porl_Color);
            }
        }
    }
}
