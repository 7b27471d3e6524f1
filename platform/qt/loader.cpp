#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/posix/codepage.h"
#include "platform/posix/signals.h"
#include "platform/qt/loader.h"

namespace {

constexpr const char* kModuleName = "velmora-qt.so";

std::string ExecutableDirectory() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string full(path, static_cast<std::size_t>(n));
    const auto cut = full.rfind('/');
    return cut == std::string::npos ? "." : full.substr(0, cut);
}

}  // namespace

LazyQt::~LazyQt() {
    // The module stays loaded: Qt's own exit handlers live in it.
}

bool LazyQt::Load() {
    if (Tried) return Module != nullptr;
    Tried = true;
    const std::string dir = ExecutableDirectory();
    // Beside the executable in a build tree, in lib/velmora once installed.
    for (const std::string& path :
         {dir + "/" + kModuleName, dir + "/../lib/velmora/" + kModuleName}) {
        Module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (Module != nullptr) break;
    }
    if (Module == nullptr) {
        std::fprintf(stderr, "velmora: %s\n", dlerror());
        return false;
    }
    RunDialog =
        reinterpret_cast<VelmoraQtSettingsDialogFn>(dlsym(Module, "VelmoraQtSettingsDialog"));
    ShowMessageBox = reinterpret_cast<VelmoraQtMessageBoxFn>(dlsym(Module, "VelmoraQtMessageBox"));
    return true;
}

bool LazyQt::ShowSettingsDialog(Registry& registry) {
    if (Signals.Received() != 0) return true;  // ending already: nothing to show
    if (!Load() || RunDialog == nullptr) return false;
    RunDialog(&registry, Signals.ReadFd());
    return true;
}

void LazyQt::Show(std::string_view sjisText, std::string_view sjisCaption, MessageIcon icon) {
    if (Signals.Received() != 0) {
        // Ending already: the message still reaches the terminal, no box holds the end up. It may
        // quote a stored text, whose control characters are shown, not sent.
        std::fprintf(stderr, "velmora: %s\n", SjisForTerminal(sjisText).c_str());
        return;
    }
    if (Load() && ShowMessageBox != nullptr) {
        ShowMessageBox(sjisText.data(), sjisText.size(), sjisCaption.data(), sjisCaption.size(),
                       static_cast<int>(icon), Signals.ReadFd());
        return;
    }
    std::fprintf(stderr, "velmora: %s\n", SjisForTerminal(sjisText).c_str());
}
