// IdleWatcher: velmora-idle's decisions, free of any platform. It arms an idle source with the
// configured delay, starts the saver when the source says the user is idle and nothing inhibits
// it, and arms the source afresh once the saver has ended.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Tells the watcher (IdleWatcher::OnIdle) when the user has had no input for a while.
class IdleSource {
  public:
    virtual ~IdleSource() = default;
    // From now on: report idle once there has been no input for `timeoutMs`, counted from no
    // earlier than this call, and again after each later input followed by as long a pause.
    // Replaces any earlier arming.
    virtual void Arm(std::int64_t timeoutMs) = 0;
    virtual void Disarm() = 0;
};

// Runs the saver as a child process; its end is reported to IdleWatcher::OnSaverEnded.
class SaverStarter {
  public:
    virtual ~SaverStarter() = default;
    // False when the saver could not be started; `problem` then says why.
    virtual bool Start(std::string& problem) = 0;
};

// What decides when the saver starts, as read from the settings or given on the command line.
struct IdleConfig {
    bool Active = true;
    // The delay in seconds as text; nullopt: not stored, the default applies.
    std::optional<std::string> TimeoutText;
    std::string_view TimeoutOrigin = "ScreenSaveTimeOut";  // names the text in a report
    // What kept a value from being read (it then counts as not stored); empty when nothing.
    std::string Problem;
};

class SettingsStore;
// The desktop's values from the settings store.
IdleConfig ReadIdleConfig(SettingsStore& store);

// The delay that `text` gives: whole seconds in the range the settings table offers. nullopt for
// anything else (not a number, zero or less, more than the largest).
std::optional<std::int32_t> TimeoutFromText(std::string_view text);

// Who says the session is locked; each is told apart, as each may say it alone.
enum class LockTeller : std::uint8_t {
    Logind = 1 << 0,        // the login manager's LockedHint of the session
    GnomeShell = 1 << 1,    // GNOME's screen shield (org.gnome.ScreenSaver)
    DesktopSaver = 1 << 2,  // org.freedesktop.ScreenSaver, served by another program (KDE)
    Locker = 1 << 3,        // a locker program of this session found running
};

// Who holds the saver off for a video player; each is told apart, as each may say it alone.
enum class InhibitTeller : std::uint8_t {
    Players = 1 << 0,      // org.freedesktop.ScreenSaver's inhibits, served by velmora-idle, and
                           // GNOME's session inhibit of the idle state
    PolicyAgent = 1 << 1,  // KDE's power management policy agent (Plasma's players)
};

class IdleWatcher {
  public:
    enum class State { Off, Waiting, SaverRunning };
    // After a saver that failed, the next try waits at least this long, whatever the delay.
    static constexpr std::int64_t kRetryAfterFailureMs = 60'000;

    using Reporter = std::function<void(const std::string&)>;
    IdleWatcher(IdleSource& source, SaverStarter& starter, Reporter report);

    // Takes the first and each changed configuration. While the saver runs it applies once the
    // saver has ended; otherwise a changed delay or switch re-arms the source at once.
    void Configure(const IdleConfig& config);
    void OnIdle();
    void OnSaverEnded(bool succeeded);
    // While any teller says inhibited, idle starts nothing; once none does, the source is armed
    // afresh, so the saver comes a full delay later and not at once.
    void SetInhibited(InhibitTeller teller, bool inhibited);
    bool Inhibited() const { return InhibitedBy != 0; }
    // While any teller says the session is locked, idle starts nothing (the saver would run
    // unseen under the lock, and might switch a display mode there); once none does, the
    // source is armed afresh, so the saver comes a full delay after the unlock. A saver already
    // running is left to run: it ends on the user's input as ever.
    void SetLocked(LockTeller teller, bool locked);
    bool Locked() const { return LockedBy != 0; }

    State CurrentState() const { return Phase; }
    std::int32_t TimeoutSeconds() const { return TimeoutSecs; }

  private:
    void Arm(std::int64_t timeoutMs);
    // A whole idle time again, when waiting for one: what held the saver back has gone.
    void RearmWaiting();

    IdleSource& Source;
    SaverStarter& Starter;
    Reporter Report;
    State Phase = State::Off;
    bool Configured = false;
    bool SaverEnabled = true;
    std::int32_t TimeoutSecs = 0;
    std::uint8_t InhibitedBy = 0;
    std::uint8_t LockedBy = 0;
    std::optional<std::string> ReportedBadTimeout;  // a bad text is reported once
    std::string ReportedProblem;                    // and so is a value that cannot be read
};
