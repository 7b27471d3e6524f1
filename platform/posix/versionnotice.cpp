#include "platform/posix/versionnotice.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "velmora_version.h"

namespace {

// <prefix>/share/doc/velmora/copyright for an executable in <prefix>/bin.
std::string InstalledLicenceFile() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    const std::filesystem::path exe(std::string(buffer, static_cast<std::size_t>(n)));
    const std::filesystem::path file = exe.parent_path().parent_path() / kVelmoraLicenceFile;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return {};
    return file.lexically_normal().string();
}

}  // namespace

std::string VersionNotice(std::string_view program) {
    std::string text(program);
    text += ' ';
    text += kVelmoraVersion;
    text += '\n';
    text += kVelmoraCopyright;
    text += '\n';
    text += kVelmoraLicence;
    const std::string file = InstalledLicenceFile();
    text += file.empty() ? ", see the file LICENSE of the source" : ", see " + file;
    text += '\n';
    return text;
}
