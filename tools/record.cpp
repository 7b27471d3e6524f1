// velmora-record: runs the saver's frame cycle on an in-memory surface with a virtual clock and
// writes the last frame as PNG and the animation as GIF or video.
#include <unistd.h>

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

#include "launcher/argumentreader.h"
#include "launcher/optiondocs.h"
#include "platform/common/systemcolors.h"
#include "platform/memory/freetypetext.h"
#include "platform/memory/surface.h"
#include "platform/memory/virtualdrive.h"
#include "platform/memory/virtualtimer.h"
#include "platform/posix/clock.h"
#include "platform/posix/codepage.h"
#include "platform/posix/registry.h"
#include "platform/posix/versionnotice.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"
#include "tools/imagefile.h"
#include "tools/progress.h"
#include "tools/recordoptions.h"
#include "tools/stagedfile.h"
#include "tools/videofile.h"

namespace {

std::string UsageText() {
    return "usage: velmora-record [options]\n"
           "Renders the Velmora animation without a display.\n" +
           OptionHelp(kRecordOptions) +
           "A progress bar is shown on standard error when it is a terminal and the recording "
           "covers\nmore than a second.\n";
}

struct Options {
    std::int32_t Width = 640, Height = 480;
    long Frames = 300;
    int Course = 0;
    std::optional<std::uint32_t> Seed;
    std::vector<std::pair<std::string, std::string>> Sets;
    bool Preview = false;
    std::string Png, Gif, Video;
    long Every = 1;
};

[[noreturn]] void BadOption(const std::string& message) {
    std::fprintf(stderr, "velmora-record: %s (see --help)\n", message.c_str());
    std::exit(2);
}

long ParseNumber(std::string_view text, long lo, long hi, const char* what) {
    const auto value = ReadWholeNumber(text);
    // A sign is no part of a count or a seed.
    if (!value || text.front() == '-')
        BadOption(std::string("bad ") + what + ": '" + std::string(text) + "'");
    if (*value < lo || *value > hi)
        BadOption(std::string(what) + " must be " + std::to_string(lo) + " to " +
                  std::to_string(hi));
    return static_cast<long>(*value);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    ArgumentReader reader(args, kRecordOptions);
    while (!reader.AtEnd()) {
        const Argument arg = reader.Next();
        if (arg.What != Argument::Kind::Option)
            BadOption("unknown option '" + std::string(arg.Text) + "'");
        const std::string_view name = arg.Row->Name;
        if (arg.Row->TakesValue() && !arg.Value)
            BadOption("missing value for --" + std::string(name));
        if (!arg.Row->TakesValue() && arg.Value)
            BadOption("--" + std::string(name) + " takes no value");
        const std::string_view v = arg.Value.value_or("");
        if (name == "help") {
            std::fputs(UsageText().c_str(), stdout);
            std::exit(0);
        } else if (name == "version") {
            std::fputs(VersionNotice("velmora-record").c_str(), stdout);
            std::exit(0);
        } else if (name == "size") {
            const auto x = v.find('x');
            if (x == std::string_view::npos)
                BadOption("bad size '" + std::string(v) + "', expected WxH");
            o.Width = static_cast<std::int32_t>(ParseNumber(v.substr(0, x), 1, 16384, "width"));
            o.Height = static_cast<std::int32_t>(ParseNumber(v.substr(x + 1), 1, 16384, "height"));
        } else if (name == "frames") {
            o.Frames = ParseNumber(v, 1, 100000000, "frame count");
        } else if (name == "course") {
            o.Course = static_cast<int>(ParseNumber(v, 1, 20, "course"));
        } else if (name == "seed") {
            o.Seed = static_cast<std::uint32_t>(ParseNumber(v, 0, 4294967295L, "seed"));
        } else if (name == "set") {
            const auto eq = v.find('=');
            if (eq == std::string_view::npos || eq == 0)
                BadOption("bad setting '" + std::string(v) + "', expected NAME=TEXT");
            o.Sets.emplace_back(std::string(v.substr(0, eq)), std::string(v.substr(eq + 1)));
        } else if (name == "preview") {
            o.Preview = true;
        } else if (name == "out") {
            o.Png = v;
        } else if (name == "gif") {
            o.Gif = v;
        } else if (name == "video") {
            o.Video = v;
            if (!VideoWriter::KnownFileName(o.Video))
                BadOption("bad video file name '" + o.Video + "', expected FILE.webm or FILE.mp4");
        } else if (name == "every") {
            o.Every = ParseNumber(v, 1, 100000, "--every");
        }
    }
    if (o.Png.empty() && o.Gif.empty() && o.Video.empty())
        BadOption("nothing to write: give --out, --gif or --video");
    // Two writers on one file would interleave their bytes into neither format.
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--out", &o.Png}, {"--gif", &o.Gif}, {"--video", &o.Video}};
    for (std::size_t i = 0; i < std::size(outputs); ++i)
        for (std::size_t j = i + 1; j < std::size(outputs); ++j)
            if (!outputs[i].second->empty() && !outputs[j].second->empty() &&
                SameFile(*outputs[i].second, *outputs[j].second))
                BadOption(std::string(outputs[i].first) + " and " + outputs[j].first +
                          " name the same file: " + *outputs[j].second);
    return o;
}

// Settings: the stored ones first, read as the saver window reads them; a bad stored value is
// reported as the saver reports it and the values read before it stay.
SaverSettings ReadStoredSettings() {
    SaverSettings settings;
    FileRegistry registry(DefaultRegistryPath(), &std::cerr);
    try {
        SettingsStore store(registry, kSettingsBaseKey);
        ReadSettings(store, settings);
    } catch (const ReportedError& e) {
        std::fprintf(stderr, "%s\n", SjisForTerminal(StandardErrorText(e.what())).c_str());
    }
    return settings;
}

// --set NAME=TEXT over them, in the order given. A text the store would not read as that
// setting's kind is a mistake on the command line, where the store itself would fall back to the
// default (numbers) or raise (colours).
void ApplySetOptions(SaverSettings& settings,
                     const std::vector<std::pair<std::string, std::string>>& sets) {
    for (const auto& [name, text] : sets) {
        const SaverSetting* setting = FindSetting(name);
        if (setting == nullptr) BadOption("no setting named '" + name + "'");
        bool readable = true;
        if (setting->Kind == SettingKind::Colour) {
            try {
                SetFieldValue(settings, *setting, ParseSettingText(*setting, text));
            } catch (const ConvertError&) {
                readable = false;
            }
        } else if (StoredTextToInt(text)) {
            SetFieldValue(settings, *setting, ParseSettingText(*setting, text));
        } else {
            readable = false;
        }
        if (!readable) BadOption("bad value for " + name + ": '" + text + "'");
    }
}

SaverSettings LoadSettings(const Options& options) {
    SaverSettings settings = ReadStoredSettings();
    ApplySetOptions(settings, options.Sets);
    return settings;
}

// Stage: the saver's scene on an in-memory surface, driven on the virtual clock.
std::unique_ptr<FreeTypeText> MakeTextEngine() {
    try {
        return std::make_unique<FreeTypeText>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora-record: %s; the banner is drawn as boxes\n", e.what());
        return nullptr;
    }
}

class Stage {
  public:
    Stage(const Options& options, const SaverSettings& settings)
        : Fonts(MakeTextEngine()),
          Canvas(options.Width, options.Height, Colors, Fonts.get()),
          SeededClock(options.Seed.value_or(0)),
          Drive(Canvas) {
        Clock& clock = options.Seed ? static_cast<Clock&>(SeededClock) : WallClock;
        Drive.Start(options.Width, options.Height, settings, options.Course, clock,
                    options.Preview);
    }

    std::int64_t Period() const { return Drive.Period(); }
    const MemorySurface& Surface() const { return Canvas; }
    long FramesRun() const { return Drive.FramesDrawn(); }
    void RunFrame(long i) { Drive.RunFrame(i); }

  private:
    std::unique_ptr<FreeTypeText> Fonts;
    DefaultSystemColors Colors;
    MemorySurface Canvas;
    SystemClock WallClock;
    FixedClock SeededClock;
    VirtualDrive Drive;
};

// Writers: the GIF and the video take the frames as they come, the PNG the last one. Each output
// is staged beside its final name and all are renamed into place only once every one is complete.
// Each step returns an error text, empty on success.
class Writers {
  public:
    explicit Writers(const Options& options) : Asked(options) {}

    std::string Open(const MemorySurface& surface, std::int64_t period) {
        FramePeriod = period;
        GifDelay = GifDelayCs(period);
        // Every file is made before the first frame, so that an unwritable one ends the run at
        // once.
        for (auto [path, staged] : Outputs())
            if (auto error = staged->Begin(*path); !error.empty()) return error;
        std::string error;
        if (!Asked.Gif.empty())
            error = GifFile.InFinalNames(
                GifOut.Open(GifFile.WritePath(), surface.Width(), surface.Height()));
        if (error.empty() && !Asked.Video.empty())
            error = VideoFile.InFinalNames(
                VideoOut.Open(VideoFile.WritePath(), surface.Width(), surface.Height(), period));
        return error;
    }

    std::string AddFrame(long i, std::span<const std::uint32_t> pixels) {
        std::string error;
        if (!Asked.Gif.empty() && i % Asked.Every == 0)
            error = GifFile.InFinalNames(GifOut.AddFrame(pixels, GifDelay));
        if (error.empty() && !Asked.Video.empty())
            error = VideoFile.InFinalNames(VideoOut.AddFrame(pixels));
        return error;
    }

    // Writes the PNG, closes the others, puts them in place and says what was written.
    std::string Finish(const MemorySurface& surface) {
        if (!Asked.Png.empty())
            if (auto error = PngFile.InFinalNames(WritePng(PngFile.WritePath(), surface.Width(),
                                                           surface.Height(), surface.Pixels()));
                !error.empty())
                return error;
        if (!Asked.Gif.empty())
            if (auto error = GifFile.InFinalNames(GifOut.Close()); !error.empty()) return error;
        if (!Asked.Video.empty())
            if (auto error = VideoFile.InFinalNames(VideoOut.Close()); !error.empty()) return error;
        for (auto [path, staged] : Outputs())
            if (auto error = staged->Commit(); !error.empty()) return error;
        if (!Asked.Png.empty())
            std::printf("wrote %s (last frame, %dx%d)\n", Asked.Png.c_str(), surface.Width(),
                        surface.Height());
        if (!Asked.Gif.empty())
            std::printf("wrote %s (%ld frames, %d ms apart)\n", Asked.Gif.c_str(),
                        (Asked.Frames + Asked.Every - 1) / Asked.Every, GifDelay * 10);
        if (!Asked.Video.empty())
            std::printf("wrote %s (%ld frames, %lld ms apart)\n", Asked.Video.c_str(), Asked.Frames,
                        static_cast<long long>(FramePeriod));
        return {};
    }

  private:
    // The given outputs with their staging.
    std::vector<std::pair<const std::string*, StagedFile*>> Outputs() {
        std::vector<std::pair<const std::string*, StagedFile*>> outputs;
        if (!Asked.Png.empty()) outputs.emplace_back(&Asked.Png, &PngFile);
        if (!Asked.Gif.empty()) outputs.emplace_back(&Asked.Gif, &GifFile);
        if (!Asked.Video.empty()) outputs.emplace_back(&Asked.Video, &VideoFile);
        return outputs;
    }

    // A GIF stores a frame's delay in 16 bits of hundredths of a second: a longer one would wrap
    // to a short one, so it is capped, and said.
    int GifDelayCs(std::int64_t period) const {
        constexpr std::int64_t kLongest = 65535;
        const std::int64_t asked = std::max<std::int64_t>(2, (period * Asked.Every + 5) / 10);
        if (!Asked.Gif.empty() && asked > kLongest)
            std::fprintf(stderr,
                         "velmora-record: a GIF frame shows for at most 655.35 s; the GIF's frames "
                         "are that far apart, not %lld.%02lld s\n",
                         static_cast<long long>(asked / 100), static_cast<long long>(asked % 100));
        return static_cast<int>(std::min(asked, kLongest));
    }

    const Options& Asked;
    StagedFile PngFile, GifFile, VideoFile;
    GifWriter GifOut;
    VideoWriter VideoOut;
    int GifDelay = 0;
    std::int64_t FramePeriod = 0;
};

// Loop: every frame through the scene and then the writers, timing the scene alone.
struct Timing {
    std::chrono::steady_clock::duration Rendering{};
    std::chrono::steady_clock::time_point Started = std::chrono::steady_clock::now();
};

std::string RecordFrames(const Options& options, Stage& stage, Writers& writers, Timing& timing) {
    // Only for a person watching: a terminal, and a recording long enough to wait for.
    const bool shown = isatty(STDERR_FILENO) == 1 && options.Frames * stage.Period() > 1000;
    ProgressBar progress(stderr, options.Frames, shown);
    for (long i = 0; i < options.Frames; ++i) {
        const auto before = std::chrono::steady_clock::now();
        stage.RunFrame(i);
        timing.Rendering += std::chrono::steady_clock::now() - before;
        if (auto error = writers.AddFrame(i, stage.Surface().Pixels()); !error.empty())
            return error;
        progress.Update(i + 1);
    }
    return {};
}

// Report: how long the scene took, beside the whole run.
void Report(const Stage& stage, const Timing& timing) {
    const auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const long frames = stage.FramesRun();
    std::printf("%ld frames of %lld ms rendered in %.1f ms (%.2f us a frame); %.1f ms in all\n",
                frames, static_cast<long long>(stage.Period()), ms(timing.Rendering),
                1000.0 * ms(timing.Rendering) / static_cast<double>(std::max(frames, 1L)),
                ms(std::chrono::steady_clock::now() - timing.Started));
}

}  // namespace

int main(int argc, char** argv) {
    // Error reports in the terminal's encoding; numbers keep the C locale's form.
    std::setlocale(LC_CTYPE, "");
    const Options options = ParseOptions(argc, argv);
    StagedFile::RemoveOnSignals();
    const SaverSettings settings = LoadSettings(options);
    Stage stage(options, settings);
    Writers writers(options);
    Timing timing;
    std::string error = writers.Open(stage.Surface(), stage.Period());
    if (error.empty()) error = RecordFrames(options, stage, writers, timing);
    if (error.empty()) error = writers.Finish(stage.Surface());
    if (!error.empty()) {
        std::fprintf(stderr, "velmora-record: %s\n", error.c_str());
        return 1;
    }
    Report(stage, timing);
    return 0;
}
