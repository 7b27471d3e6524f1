#include "idle/idlewatcher.h"

#include <algorithm>

#include "idle/idlesettings.h"
#include "settings/errors.h"
#include "settings/settingsstore.h"

namespace {

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
    : source_(source), starter_(starter), report_(std::move(report)) {}

void IdleWatcher::Configure(const IdleConfig& config) {
    const IdleSetting& setting = TimeoutSetting();
    if (config.Problem != reportedProblem_) {
        if (!config.Problem.empty())
            report_(config.Problem + " in the settings; using the defaults");
        reportedProblem_ = config.Problem;
    }
    std::int32_t seconds = DefaultValue(setting);
    if (config.TimeoutText) {
        if (const auto value = TimeoutFromText(*config.TimeoutText)) {
            seconds = *value;
            reportedBadTimeout_.reset();
        } else if (reportedBadTimeout_ != config.TimeoutText) {
            report_(std::string(config.TimeoutOrigin) + " \"" + *config.TimeoutText +
                    "\" is not a number of seconds from " + std::to_string(setting.Min) + " to " +
                    std::to_string(setting.Max) + "; using " + std::to_string(seconds));
            reportedBadTimeout_ = config.TimeoutText;
        }
    } else {
        reportedBadTimeout_.reset();
    }
    const bool changed = !configured_ || seconds != timeoutSeconds_ || config.Active != active_;
    configured_ = true;
    timeoutSeconds_ = seconds;
    active_ = config.Active;
    if (state_ == State::SaverRunning || !changed) return;
    if (active_) {
        Arm(std::int64_t{timeoutSeconds_} * 1000);
    } else {
        source_.Disarm();
        state_ = State::Off;
    }
}

void IdleWatcher::OnIdle() {
    if (state_ != State::Waiting || inhibited_ || Locked()) return;
    std::string problem;
    if (!starter_.Start(problem)) {
        report_("cannot start the saver: " + problem);
        // The source stays armed, so the next try comes with the next idle period.
        Arm(std::max(std::int64_t{timeoutSeconds_} * 1000, kRetryAfterFailureMs));
        return;
    }
    // Nothing to watch while the saver runs: it ends on input by itself.
    source_.Disarm();
    state_ = State::SaverRunning;
}

void IdleWatcher::OnSaverEnded(bool succeeded) {
    if (state_ != State::SaverRunning) return;
    state_ = State::Off;
    if (!active_) return;
    std::int64_t delay = std::int64_t{timeoutSeconds_} * 1000;
    if (!succeeded) {
        report_("the saver ended with a failure; trying again at the next idle time");
        delay = std::max(delay, kRetryAfterFailureMs);
    }
    Arm(delay);
}

void IdleWatcher::SetInhibited(bool inhibited) {
    if (inhibited == inhibited_) return;
    inhibited_ = inhibited;
    if (!inhibited_ && state_ == State::Waiting) Arm(std::int64_t{timeoutSeconds_} * 1000);
}

void IdleWatcher::SetLocked(LockTeller teller, bool locked) {
    const bool was = Locked();
    const auto bit = static_cast<std::uint8_t>(teller);
    LockedBy = locked ? static_cast<std::uint8_t>(LockedBy | bit)
                      : static_cast<std::uint8_t>(LockedBy & ~bit);
    if (was && !Locked() && state_ == State::Waiting) Arm(std::int64_t{timeoutSeconds_} * 1000);
}

void IdleWatcher::Arm(std::int64_t timeoutMs) {
    source_.Arm(timeoutMs);
    state_ = State::Waiting;
}
