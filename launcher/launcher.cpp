#include "launcher/launcher.h"

#include "settings/convert.h"

namespace {

// "多重起動防止用のATOMの登録に失敗しました。"
constexpr std::string_view kAtomFailedText =
    "\x91\xBD\x8F\x64\x8B\x4E\x93\xAE\x96\x68\x8E\x7E\x97\x70\x82\xCC"
    "ATOM\x82\xCC\x93\x6F\x98\x5E\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";

constexpr std::string_view kApplicationTitle = "Velmora";
constexpr std::string_view kInstanceWindowTitle = "velmora";

}  // namespace

std::string_view ExecutableFileName(std::string_view path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

LaunchMode LaunchModeOf(std::span<const std::string_view> args) {
    if (args.empty()) return LaunchMode::Settings;
    // A one-character argument yields its terminating NUL, which falls to run mode.
    switch (args[0].size() > 1 ? args[0][1] : '\0') {
        case 'a':
        case 'A':
            return LaunchMode::ChangePassword;
        case 'c':
        case 'C':
            return LaunchMode::Settings;
        case 'p':
        case 'P':
            return LaunchMode::Preview;
        default:
            return LaunchMode::Run;
    }
}

WindowHandle HostWindowArgument(std::span<const std::string_view> args) {
    if (args.size() < 2) return 0;
    const auto value = TextToInt(args[1]);
    // Window handles are 32-bit: a negative text names the same handle as its unsigned pattern.
    return value ? static_cast<WindowHandle>(static_cast<std::uint32_t>(*value)) : 0;
}

int RunLauncher(std::string_view executablePath, std::span<const std::string_view> args,
                LauncherPlatform& p) {
    MarkerId instanceAtom = 0;
    int exitCode = 0;
    const std::string_view atomName = ExecutableFileName(executablePath);

    instanceAtom = p.Marker.Find(atomName);
    if (instanceAtom != 0) {
        if (WindowHandle running = p.Finder.FindWindow(kInstanceWindowTitle); running != 0)
            p.Finder.SetForegroundWindow(running);
    } else {
        instanceAtom = p.Marker.Add(atomName);
        if (instanceAtom == 0) {
            // Shown before the application has its title, so the box has no caption of its own.
            p.Box.Show(kAtomFailedText, "", MessageIcon::None);
            exitCode = 1;  // nothing ran
        } else {
            const LaunchMode mode = LaunchModeOf(args);
            p.App.Initialize(kApplicationTitle);
            switch (mode) {
                case LaunchMode::ChangePassword: {
                    p.App.HideApplicationWindow();
                    p.SaverHooks.ChangePassword(HostWindowArgument(args));
                    p.App.Terminate();
                    break;
                }
                case LaunchMode::Settings:
                    p.App.HideApplicationWindow();
                    p.App.ShowSettingsDialog();
                    p.App.Terminate();
                    break;
                case LaunchMode::Preview: {
                    p.App.HideApplicationWindow();
                    const WindowHandle host = HostWindowArgument(args);
                    p.App.ShowWindow(host, WindowVisibility::Shown);
                    p.App.CreateSaverWindow(host);
                    break;
                }
                case LaunchMode::Run:
                    // Run mode: the saver window hides the application window itself.
                    p.App.CreateSaverWindow(0);
                    break;
            }
            p.App.Run();
        }
    }
    if (instanceAtom != 0) p.Marker.Delete(instanceAtom);
    return exitCode;
}
