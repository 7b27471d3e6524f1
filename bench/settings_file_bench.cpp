// The settings file at 1 MB and 16 MB: the time and the peak memory to read the fourteen
// settings (as the saver and the dialog do), and to save them (as the dialog's OK does), for a
// registry export in REGEDIT4 and in UTF-16. Each case runs in a fresh child process, whose
// growth of peak resident memory is what it cost.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include "platform/posix/codepage.h"
#include "platform/posix/registry.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

namespace {

// A full export of a user's hive: keys of several values each, text, numbers and binary data
// wrapped over lines, with the saver's key in the middle.
std::string Export(std::size_t size) {
    std::string out = "REGEDIT4\r\n\r\n";
    char line[160];
    bool saver = false;
    for (int key = 0; out.size() < size; ++key) {
        if (!saver && out.size() >= size / 2) {
            saver = true;
            out +=
                "[HKEY_CURRENT_USER\\Software\\Velmora]\r\n\"Speed\"=\"40\"\r\n"
                "\"road_Color\"=\"clWhite\"\r\n\r\n";
        }
        std::snprintf(line, sizeof line,
                      "[HKEY_CURRENT_USER\\Software\\Vendor%d\\Product\\Settings%d]\r\n", key % 97,
                      key);
        out += line;
        for (int v = 0; v < 6; ++v) {
            std::snprintf(line, sizeof line,
                          "\"Text%d\"=\"C:\\\\Program Files\\\\Vendor\\\\item %d-%d\"\r\n", v, key,
                          v);
            out += line;
            std::snprintf(line, sizeof line, "\"Count%d\"=dword:%08x\r\n", v, key * 7 + v);
            out += line;
        }
        out +=
            "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
            "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,\\\r\n"
            "  2e,2f,30,31\r\n\r\n";
    }
    return out;
}

// A figure of /proc/self/status in kB: "VmHWM:" the peak resident memory, "VmRSS:" the present.
long StatusKb(std::string_view field) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == field) {
            long kb = 0;
            status >> kb;
            return kb;
        }
    return 0;
}

struct Figures {
    double Ms = 0;
    double PeakMb = 0;
};

// Runs `work` in a child; its time and how far its peak resident memory grew.
Figures Measure(const std::function<void()>& work) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        // The peak starts again from what the child holds now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKb("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        work();
        Figures f;
        f.Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count();
        f.PeakMb = static_cast<double>(StatusKb("VmHWM:") - before) / 1024.0;
        [[maybe_unused]] auto n = write(fds[1], &f, sizeof f);
        _exit(0);
    }
    close(fds[1]);
    Figures f;
    if (read(fds[0], &f, sizeof f) != sizeof f) std::fprintf(stderr, "a case failed\n");
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return f;
}

void ReadAll(const std::string& path) {
    FileRegistry registry(path);
    SettingsStore store(registry, kSettingsBaseKey);
    SaverSettings settings;
    ReadSettings(store, settings);
    if (settings.Speed != 40) std::fprintf(stderr, "the stored Speed was not read\n");
}

void SaveAll(const std::string& path) {
    FileRegistry registry(path);
    SettingsStore store(registry, kSettingsBaseKey);
    WriteSettings(store, SaverSettings{});
}

}  // namespace

int main() {
    char pattern[] = "/tmp/velmora-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string dir = pattern, path = dir + "/user.reg";
    std::printf("%-24s %22s %22s\n", "settings file", "read the 14 settings",
                "save the 14 settings");
    for (const bool utf16 : {false, true}) {
        for (const std::size_t megabytes : {1, 16}) {
            std::string bytes = Export(megabytes * 1000 * 1000 / (utf16 ? 2 : 1));
            if (utf16) {
                bytes.replace(0, 8, "Windows Registry Editor Version 5.00");
                bytes = "\xFF\xFE" + Utf8ToUtf16Le(bytes);
            }
            const double mb = static_cast<double>(bytes.size()) / 1e6;
            auto store = [&] { std::ofstream(path, std::ios::binary) << bytes; };
            store();
            const Figures read = Measure([&] { ReadAll(path); });
            const Figures save = Measure([&] { SaveAll(path); });
            char label[64];
            std::snprintf(label, sizeof label, "%s %.1f MB", utf16 ? "UTF-16" : "REGEDIT4", mb);
            std::printf("%-24s %9.1f ms %6.1f MB %9.1f ms %6.1f MB\n", label, read.Ms, read.PeakMb,
                        save.Ms, save.PeakMb);
            std::printf("%-24s %14.1f x file %17.1f x file\n", "  peak memory", read.PeakMb / mb,
                        save.PeakMb / mb);
        }
    }
    std::filesystem::remove_all(dir);
    return 0;
}
