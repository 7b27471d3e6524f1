// velmora-record: runs the saver's frame cycle on an in-memory surface with a virtual clock and
// writes the last frame as PNG and the animation as GIF.
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/memory/freetypetext.h"
#include "platform/memory/surface.h"
#include "platform/memory/virtualtimer.h"
#include "platform/posix/clock.h"
#include "platform/posix/codepage.h"
#include "platform/posix/registry.h"
#include "platform/posix/systemcolors.h"
#include "saver/frametimer.h"
#include "scene/scene.h"
#include "settings/errors.h"
#include "settings/settingsstore.h"
#include "settings/settings.h"
#include "tools/imagefile.h"

namespace {

constexpr const char* kUsage =
    "usage: velmora-record [options]\n"
    "Renders the Velmora animation without a display.\n"
    "  --size WxH        view size in pixels (default 640x480)\n"
    "  --frames N        frames to run (default 300)\n"
    "  --course K        warm-up steps of the course random source, 1 to 20 (default: from the clock)\n"
    "  --seed N          seed of the general random source (default: from the clock)\n"
    "  --set NAME=TEXT   a setting in its stored text form, e.g. UpDown=3, road_Color=clWhite,\n"
    "                    Comet=1 (repeatable; applied over the stored settings, which are read\n"
    "                    from $XDG_CONFIG_HOME/velmora/user.reg as the saver reads them)\n"
    "  --preview         preview mode (5-point banner font)\n"
    "  --out FILE.png    write the last frame\n"
    "  --gif FILE.gif    write the animation\n"
    "  --every K         keep every K-th frame in the GIF (default 1)\n"
    "  --help            this text\n";

struct Options {
    std::int32_t Width = 640, Height = 480;
    long Frames = 300;
    int Course = 0;
    std::optional<std::uint32_t> Seed;
    std::vector<std::pair<std::string, std::string>> Sets;
    bool Preview = false;
    std::string Png, Gif;
    long Every = 1;
};

[[noreturn]] void BadOption(const std::string& message) {
    std::fprintf(stderr, "velmora-record: %s (see --help)\n", message.c_str());
    std::exit(2);
}

long ParseNumber(std::string_view text, long lo, long hi, const char* what) {
    if (text.empty() || text.size() > 10) BadOption(std::string("bad ") + what + ": '" + std::string(text) + "'");
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') BadOption(std::string("bad ") + what + ": '" + std::string(text) + "'");
        value = value * 10 + (c - '0');
    }
    if (value < lo || value > hi)
        BadOption(std::string(what) + " must be " + std::to_string(lo) + " to " + std::to_string(hi));
    return value;
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> std::string_view {
            if (i + 1 >= argc) BadOption("missing value for " + std::string(arg));
            return argv[++i];
        };
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--size") {
            const std::string_view v = value();
            const auto x = v.find('x');
            if (x == std::string_view::npos) BadOption("bad size '" + std::string(v) + "', expected WxH");
            o.Width = static_cast<std::int32_t>(ParseNumber(v.substr(0, x), 1, 16384, "width"));
            o.Height = static_cast<std::int32_t>(ParseNumber(v.substr(x + 1), 1, 16384, "height"));
        } else if (arg == "--frames") {
            o.Frames = ParseNumber(value(), 1, 100000000, "frame count");
        } else if (arg == "--course") {
            o.Course = static_cast<int>(ParseNumber(value(), 1, 20, "course"));
        } else if (arg == "--seed") {
            o.Seed = static_cast<std::uint32_t>(ParseNumber(value(), 0, 4294967295L, "seed"));
        } else if (arg == "--set") {
            const std::string_view v = value();
            const auto eq = v.find('=');
            if (eq == std::string_view::npos || eq == 0) BadOption("bad setting '" + std::string(v) + "', expected NAME=TEXT");
            o.Sets.emplace_back(std::string(v.substr(0, eq)), std::string(v.substr(eq + 1)));
        } else if (arg == "--preview") {
            o.Preview = true;
        } else if (arg == "--out") {
            o.Png = value();
        } else if (arg == "--gif") {
            o.Gif = value();
        } else if (arg == "--every") {
            o.Every = ParseNumber(value(), 1, 100000, "--every");
        } else {
            BadOption("unknown option '" + std::string(arg) + "'");
        }
    }
    if (o.Png.empty() && o.Gif.empty()) BadOption("nothing to write: give --out or --gif");
    return o;
}

// The frame handler as the saver window runs it: stop, draw, re-arm.
struct Recorder {
    FrameTimer* Timer = nullptr;
    SceneState* Scene = nullptr;
    DrawingSurface* Surface = nullptr;
    RandomSource* Random = nullptr;
    bool BannerOn = true;
    long FramesRun = 0;

    static void OnTimer(void* context, FrameTimer&) {
        auto& r = *static_cast<Recorder*>(context);
        r.Timer->Stop();
        RunFrame(*r.Scene, *r.Surface, *r.Random, r.BannerOn);
        ++r.FramesRun;
        r.Timer->Start();
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Error reports in the terminal's encoding; numbers keep the C locale's form.
    std::setlocale(LC_CTYPE, "");
    const Options options = ParseOptions(argc, argv);

    // The stored settings first, read as the saver window reads them; a bad stored value is
    // reported as the saver reports it and the values read before it stay.
    SaverSettings settings;
    FileRegistry registry(DefaultRegistryPath(), &std::cerr);
    try {
        SettingsStore store(registry, kSettingsBaseKey);
        ReadSettings(store, settings);
    } catch (const ReportedError& e) {
        std::fprintf(stderr, "%s\n", SjisToLocale(StandardErrorText(e.what())).c_str());
    }
    for (const auto& [name, text] : options.Sets) {
        try {
            if (!ApplySettingText(settings, name, text)) BadOption("no setting named '" + name + "'");
        } catch (const ReportedError& e) {
            // Reported as the saver reports a bad stored value; the setting keeps its value.
            std::fprintf(stderr, "%s\n", SjisToLocale(StandardErrorText(e.what())).c_str());
        }
    }

    std::unique_ptr<FreeTypeText> text;
    try {
        text = std::make_unique<FreeTypeText>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-record: %s; the banner is drawn as boxes\n", e.what());
    }
    DefaultSystemColors colors;
    std::int32_t width = options.Width, height = options.Height;
    MemorySurface surface(width, height, colors, text.get());
    LcgRandom random;
    SystemClock systemClock;
    FixedClock fixedClock(options.Seed.value_or(0));
    Clock& clock = options.Seed ? static_cast<Clock&>(fixedClock) : systemClock;

    auto scene = std::make_unique<SceneState>();
    InitScene(*scene, settings, width, height, surface, random, clock, options.Course);
    ApplyBannerFont(surface, options.Preview, static_cast<std::uint32_t>(width));

    VirtualTimerService timers;
    FrameTimer timer(timers);
    timer.SetEventType(TimerEventType::PERIODIC);
    timer.SetDelay(settings.Speed);
    timer.SetResolution(1);
    const std::int64_t period = timer.Delay();
    Recorder recorder{&timer, scene.get(), &surface, &random};
    timer.SetOnTimer(&Recorder::OnTimer, &recorder);

    GifWriter gif;
    if (!options.Gif.empty()) {
        if (auto error = gif.Open(options.Gif, surface.Width(), surface.Height()); !error.empty()) {
            std::fprintf(stderr, "velmora-record: %s\n", error.c_str());
            return 1;
        }
    }
    const int delayCs = static_cast<int>(std::max<std::int64_t>(2, (period * options.Every + 5) / 10));

    // Frame i runs at i * period ms; the banner ends before the first frame at 5000 ms or later.
    timers.SetNow(-period);
    timer.Start();
    const auto started = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration rendering{};
    for (long i = 0; i < options.Frames; ++i) {
        const std::int64_t now = i * period;
        const auto before = std::chrono::steady_clock::now();
        if (recorder.BannerOn && now >= 5000) {
            recorder.BannerOn = false;
            EndBanner(*scene, surface);
        }
        timers.AdvanceTo(now);
        rendering += std::chrono::steady_clock::now() - before;
        if (!options.Gif.empty() && i % options.Every == 0) {
            if (auto error = gif.AddFrame(surface.Pixels(), delayCs); !error.empty()) {
                std::fprintf(stderr, "velmora-record: %s\n", error.c_str());
                return 1;
            }
        }
    }
    timer.Stop();

    if (!options.Png.empty()) {
        if (auto error = WritePng(options.Png, surface.Width(), surface.Height(), surface.Pixels());
            !error.empty()) {
            std::fprintf(stderr, "velmora-record: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote %s (last frame, %dx%d)\n", options.Png.c_str(), surface.Width(), surface.Height());
    }
    if (!options.Gif.empty()) {
        if (auto error = gif.Close(); !error.empty()) {
            std::fprintf(stderr, "velmora-record: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote %s (%ld frames, %d ms apart)\n", options.Gif.c_str(),
                    (options.Frames + options.Every - 1) / options.Every, delayCs * 10);
    }
    const auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("%ld frames of %lld ms rendered in %.1f ms (%.2f us a frame); %.1f ms in all\n",
                recorder.FramesRun, static_cast<long long>(period), ms(rendering),
                1000.0 * ms(rendering) / static_cast<double>(std::max(recorder.FramesRun, 1L)),
                ms(std::chrono::steady_clock::now() - started));
    return 0;
}
