#include "idle/idlewatcher.h"

#include <algorithm>

#include "idle/idlesettings.h"
#include "settings/errors.h"
#include "settings/settingsstore.h"

namespace {

// `bits` with `bit` set or cleared.
std::uint8_t WithBit(std::uint8_t bits, std::uint8_t bit, bool on) {
    return on ? static_cast<std::uint8_t>(bits | bit) : static_cast<std::uint8_t>(bits & ~bit);
}

// The row's place; a row that is not there stops the compilation. (An index, not a pointer:
// pointer tests are not constant under the sanitizers.)
constexpr std::size_t TimeoutRow() {
    for (std::size_t i = 0; i < IdleSettingTable.size(); ++i)
        if (IdleSettingTable[i].Name == "ScreenSaveTimeOut") return i;
    throw "ScreenSaveTimeOut is not in IdleSettingTable";
}
static_assert(IdleSettingTable[TimeoutRow()].Kind == SettingKind::Integer);

constexpr const IdleSetting& TimeoutSetting() {
    return IdleSettingTable[TimeoutRow()];
}

}  // namespace

std::optional<std::int32_t> TimeoutFromText(std::string_view text) {
    const IdleSetting& setting = TimeoutSetting();
    // Windows writes the number alone; spaces around it are forgiven.
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const std::optional<std::int32_t> value = StoredTextToInt(text);
    if (!value || *value < setting.Min || *value > setting.Max) return std::nullopt;
    return value;
}

IdleConfig ReadIdleConfig(SettingsStore& store) {
    IdleConfig config;
    IdleSettings values;
    for (const auto& setting : IdleSettingTable) {
        try {
            if (&setting == &TimeoutSetting())
                // As text, so that a bad one can be told from the default and reported.
                config.TimeoutText =
                    store.ReadValueText(setting.Section, setting.Name, setting.DefaultText);
            else
                SetFieldValue(values, setting, ReadStoredValue(store, setting));
        } catch (const ReportedError&) {
            config.Problem +=
                (config.Problem.empty() ? "cannot read " : ", ") + std::string(setting.Name);
        }
    }
    config.Active = values.ScreenSaveActive;
    return config;
}

IdleWatcher::IdleWatcher(IdleSource& source, SaverStarter& starter, Reporter report)
    : Source(source), Starter(starter), Report(std::move(report)) {}

void IdleWatcher::Configure(const IdleConfig& config) {
    const IdleSetting& setting = TimeoutSetting();
    if (config.Problem != ReportedProblem) {
        if (!config.Problem.empty())
            Report(config.Problem + " in the settings; using the defaults");
        ReportedProblem = config.Problem;
    }
    std::int32_t seconds = DefaultValue(setting);
    if (config.TimeoutText) {
        if (const auto value = TimeoutFromText(*config.TimeoutText)) {
            seconds = *value;
            ReportedBadTimeout.reset();
        } else if (ReportedBadTimeout != config.TimeoutText) {
            Report(std::string(config.TimeoutOrigin) + " \"" + *config.TimeoutText +
                   "\" is not a number of seconds from " + std::to_string(setting.Min) + " to " +
                   std::to_string(setting.Max) + "; using " + std::to_string(seconds));
            ReportedBadTimeout = config.TimeoutText;
        }
    } else {
        ReportedBadTimeout.reset();
    }
    const bool changed = !Configured || seconds != TimeoutSecs || config.Active != SaverEnabled;
    Configured = true;
    TimeoutSecs = seconds;
    SaverEnabled = config.Active;
    if (Phase == State::SaverRunning || !changed) return;
    if (SaverEnabled) {
        Arm(std::int64_t{TimeoutSecs} * 1000);
    } else {
        Source.Disarm();
        Phase = State::Off;
    }
}

void IdleWatcher::OnIdle() {
    if (Phase != State::Waiting || Inhibited() || Locked()) return;
    std::string problem;
    if (!Starter.Start(problem)) {
        Report("cannot start the saver: " + problem);
        // The source stays armed, so the next try comes with the next idle period.
        Arm(std::max(std::int64_t{TimeoutSecs} * 1000, kRetryAfterFailureMs));
        return;
    }
    // Nothing to watch while the saver runs: it ends on input by itself.
    Source.Disarm();
    Phase = State::SaverRunning;
}

void IdleWatcher::OnSaverEnded(bool succeeded) {
    if (Phase != State::SaverRunning) return;
    Phase = State::Off;
    if (!SaverEnabled) return;
    std::int64_t delay = std::int64_t{TimeoutSecs} * 1000;
    if (!succeeded) {
        Report("the saver ended with a failure; trying again at the next idle time");
        delay = std::max(delay, kRetryAfterFailureMs);
    }
    Arm(delay);
}

void IdleWatcher::SetInhibited(InhibitTeller teller, bool inhibited) {
    const bool was = Inhibited();
    InhibitedBy = WithBit(InhibitedBy, static_cast<std::uint8_t>(teller), inhibited);
    if (was && !Inhibited()) RearmWaiting();
}

void IdleWatcher::SetLocked(LockTeller teller, bool locked) {
    const bool was = Locked();
    LockedBy = WithBit(LockedBy, static_cast<std::uint8_t>(teller), locked);
    if (was && !Locked()) RearmWaiting();
}

void IdleWatcher::RearmWaiting() {
    if (Phase == State::Waiting) Arm(std::int64_t{TimeoutSecs} * 1000);
}

void IdleWatcher::Arm(std::int64_t timeoutMs) {
    Source.Arm(timeoutMs);
    Phase = State::Waiting;
}
