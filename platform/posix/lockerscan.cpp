#include "platform/posix/lockerscan.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "idle/lockerrecognition.h"

namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// One variable's value in a NUL-separated environment block; empty when not there.
std::string_view Variable(std::string_view environment, std::string_view name) {
    std::size_t at = 0;
    while (at < environment.size()) {
        std::size_t end = environment.find('\0', at);
        if (end == std::string_view::npos) end = environment.size();
        const std::string_view entry = environment.substr(at, end - at);
        if (entry.size() > name.size() && entry.substr(0, name.size()) == name &&
            entry[name.size()] == '=')
            return entry.substr(name.size() + 1);
        at = end + 1;
    }
    return {};
}

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

}  // namespace

bool SessionLockerRunning() {
    const ProgramDisplay session{Env("WAYLAND_DISPLAY"), Env("DISPLAY")};
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return false;
    const uid_t self = getuid();
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(proc);
        if (entry == nullptr) break;
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        struct stat info {};
        // Only the user's own: another user's locker is another session's, and its environment
        // is not ours to read.
        if (stat(dir.c_str(), &info) != 0 || info.st_uid != self) continue;
        std::string name = ReadWhole(dir + "/comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        const std::string environment = ReadWhole(dir + "/environ");
        found = LocksThisSession(
            name, {Variable(environment, "WAYLAND_DISPLAY"), Variable(environment, "DISPLAY")},
            session);
    }
    closedir(proc);
    return found;
}
