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
        std::fprintf(stderr, "%s\n", SjisToLocale(StandardErrorText(e.what())).c_str());
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
        : text_(MakeTextEngine()),
          surface_(options.Width, options.Height, colors_, text_.get()),
          fixedClock_(options.Seed.value_or(0)),
          drive_(surface_) {
        Clock& clock = options.Seed ? static_cast<Clock&>(fixedClock_) : systemClock_;
        drive_.Start(options.Width, options.Height, settings, options.Course, clock,
                     options.Preview);
    }

    std::int64_t Period() const { return drive_.Period(); }
    const MemorySurface& Surface() const { return surface_; }
    long FramesRun() const { return drive_.FramesDrawn(); }
    void RunFrame(long i) { drive_.RunFrame(i); }

  private:
    std::unique_ptr<FreeTypeText> text_;
    DefaultSystemColors colors_;
    MemorySurface surface_;
    SystemClock systemClock_;
    FixedClock fixedClock_;
    VirtualDrive drive_;
};

// Writers: the GIF and the video take the frames as they come, the PNG the last one. Each output
// is staged beside its final name and all are renamed into place only once every one is complete.
// Each step returns an error text, empty on success.
class Writers {
  public:
    explicit Writers(const Options& options) : options_(options) {}

    std::string Open(const MemorySurface& surface, std::int64_t period) {
        period_ = period;
        gifDelayCs_ = GifDelayCs(period);
        // Every file is made before the first frame, so that an unwritable one ends the run at
        // once.
        for (auto [path, staged] : Outputs())
            if (auto error = staged->Begin(*path); !error.empty()) return error;
        std::string error;
        if (!options_.Gif.empty())
            error = gifFile_.InFinalNames(
                gif_.Open(gifFile_.WritePath(), surface.Width(), surface.Height()));
        if (error.empty() && !options_.Video.empty())
            error = videoFile_.InFinalNames(
                video_.Open(videoFile_.WritePath(), surface.Width(), surface.Height(), period));
        return error;
    }

    std::string AddFrame(long i, std::span<const std::uint32_t> pixels) {
        std::string error;
        if (!options_.Gif.empty() && i % options_.Every == 0)
            error = gifFile_.InFinalNames(gif_.AddFrame(pixels, gifDelayCs_));
        if (error.empty() && !options_.Video.empty())
            error = videoFile_.InFinalNames(video_.AddFrame(pixels));
        return error;
    }

    // Writes the PNG, closes the others, puts them in place and says what was written.
    std::string Finish(const MemorySurface& surface) {
        if (!options_.Png.empty())
            if (auto error = pngFile_.InFinalNames(WritePng(pngFile_.WritePath(), surface.Width(),
                                                            surface.Height(), surface.Pixels()));
                !error.empty())
                return error;
        if (!options_.Gif.empty())
            if (auto error = gifFile_.InFinalNames(gif_.Close()); !error.empty()) return error;
        if (!options_.Video.empty())
            if (auto error = videoFile_.InFinalNames(video_.Close()); !error.empty()) return error;
        for (auto [path, staged] : Outputs())
            if (auto error = staged->Commit(); !error.empty()) return error;
        if (!options_.Png.empty())
            std::printf("wrote %s (last frame, %dx%d)\n", options_.Png.c_str(), surface.Width(),
                        surface.Height());
        if (!options_.Gif.empty())
            std::printf("wrote %s (%ld frames, %d ms apart)\n", options_.Gif.c_str(),
                        (options_.Frames + options_.Every - 1) / options_.Every, gifDelayCs_ * 10);
        if (!options_.Video.empty())
            std::printf("wrote %s (%ld frames, %lld ms apart)\n", options_.Video.c_str(),
                        options_.Frames, static_cast<long long>(period_));
        return {};
    }

  private:
    // The given outputs with their staging.
    std::vector<std::pair<const std::string*, StagedFile*>> Outputs() {
        std::vector<std::pair<const std::string*, StagedFile*>> outputs;
        if (!options_.Png.empty()) outputs.emplace_back(&options_.Png, &pngFile_);
        if (!options_.Gif.empty()) outputs.emplace_back(&options_.Gif, &gifFile_);
        if (!options_.Video.empty()) outputs.emplace_back(&options_.Video, &videoFile_);
        return outputs;
    }

    // A GIF stores a frame's delay in 16 bits of hundredths of a second: a longer one would wrap
    // to a short one, so it is capped, and said.
    int GifDelayCs(std::int64_t period) const {
        constexpr std::int64_t kLongest = 65535;
        const std::int64_t asked = std::max<std::int64_t>(2, (period * options_.Every + 5) / 10);
        if (!options_.Gif.empty() && asked > kLongest)
            std::fprintf(stderr,
                         "velmora-record: a GIF frame shows for at most 655.35 s; the GIF's frames "
                         "are that far apart, not %lld.%02lld s\n",
                         static_cast<long long>(asked / 100), static_cast<long long>(asked % 100));
        return static_cast<int>(std::min(asked, kLongest));
    }

    const Options& options_;
    StagedFile pngFile_, gifFile_, videoFile_;
    GifWriter gif_;
    VideoWriter video_;
    int gifDelayCs_ = 0;
    std::int64_t period_ = 0;
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
