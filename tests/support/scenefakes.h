// Test doubles at the platform boundary of the scene.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/common/systemcolors.h"
#include "platform/memory/freetypetext.h"
#include "platform/memory/surface.h"
#include "platform/memory/virtualtimer.h"
#include "platform/random.h"
#include "scene/scene.h"
#include "settings/settings.h"

// Answers Below(n) from a script (each value taken modulo n), then from an LCG.
class ScriptedRandom final : public RandomSource {
  public:
    std::deque<std::uint32_t> Script;
    std::vector<std::uint32_t> Ranges;  // every n asked for, in order
    void Reseed(std::uint32_t seed) override { Fallback.Reseed(seed); }
    std::uint32_t Below(std::uint32_t n) override {
        Ranges.push_back(n);
        if (!Script.empty()) {
            const std::uint32_t v = Script.front();
            Script.pop_front();
            return n == 0 ? 0 : v % n;
        }
        return Fallback.Below(n);
    }

  private:
    LcgRandom Fallback;
};

// Records every drawing call in order.
class RecordingSurface final : public DrawingSurface {
  public:
    struct Op {
        char Kind;  // 'p' pixel, 't' text, 'f' fill, 'b' brush, 's' font size, 'r' prepare
        std::int32_t X, Y;
        ColorValue Color;
        std::string Text;
        Rect32 Rect;
    };
    std::vector<Op> Ops;
    std::int32_t LineHeight = 13;

    void SetPixel(std::int32_t x, std::int32_t y, ColorValue c) override {
        Ops.push_back({'p', x, y, c, {}, {}});
    }
    void TextOut(std::int32_t x, std::int32_t y, std::string_view t) override {
        Ops.push_back({'t', x, y, 0, std::string(t), {}});
    }
    std::int32_t TextHeight(std::string_view) override { return LineHeight; }
    void FillRect(const Rect32& r) override { Ops.push_back({'f', 0, 0, 0, {}, r}); }
    void SetBrushColor(ColorValue c) override { Ops.push_back({'b', 0, 0, c, {}, {}}); }
    void SetFontSize(int points) override { Ops.push_back({'s', points, 0, 0, {}, {}}); }
    void PrepareText(std::string_view t) override {
        Ops.push_back({'r', 0, 0, 0, std::string(t), {}});
    }

    std::vector<Op> Pixels() const {
        std::vector<Op> out;
        for (const auto& op : Ops)
            if (op.Kind == 'p') out.push_back(op);
        return out;
    }
};

// A scene initialised for a view of the given size with a fixed clock and `courseSteps` warm-up
// steps of the course random source.
struct SceneFixture {
    SaverSettings Settings;
    DefaultSystemColors Colors;
    LcgRandom Random;
    FixedClock Clock{4242};
    SceneState State;

    void Init(std::int32_t width, std::int32_t height, DrawingSurface& surface,
              int courseSteps = 1) {
        InitScene(State, Settings, width, height, surface, Random, Clock, courseSteps);
    }
};
