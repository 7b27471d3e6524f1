// The Linux registry: the current user's hive kept as a registry-export text file
// (platform/posix/regfile.h), by default $XDG_CONFIG_HOME/velmora/user.reg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>

#include "platform/posix/regfile.h"
#include "platform/posix/safefile.h"
#include "platform/registry.h"

// The largest settings file read. A larger one, and anything that is not a regular file (a FIFO,
// a device, a directory), is reported, reads as defaults and is never overwritten.
inline constexpr std::size_t kMaxRegistryFileSize = std::size_t{16} << 20;

// Every call looks at the file afresh, so two processes see each other's writes; the parsed file
// is kept while the file is the same one (device, inode, size, modification and change times),
// so reading all the settings parses it once. A write takes an exclusive flock on
// "<file>.lock", looks at the file again, changes the one value and replaces the file
// atomically (temporary file, fsync, rename): concurrent writers never lose each other's
// values. A file that cannot be parsed or read is never overwritten: its values read as
// missing (each new problem, and where it is, reported once on `diagnostics` under the running
// program's name) and writes fail.
// Keys created without a value exist for this process only; they reach the file with their
// first value.
class FileRegistry : public Registry {
  public:
    explicit FileRegistry(std::string path, std::ostream* diagnostics = nullptr);
    ~FileRegistry() override;

    long CreateKey(RegKey base, std::string_view subKey, std::uint32_t access,
                   RegKey* result) override;
    long OpenKey(RegKey base, std::string_view subKey, std::uint32_t access,
                 RegKey* result) override;
    long QueryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long CloseKey(RegKey key) override;

    const std::string& Path() const { return file_.Path(); }
    // How many times the file has been parsed: once for a reading of every setting while the
    // file stays the same.
    std::uint64_t Parses() const { return parses_; }

  private:
    enum class LoadResult { Ok, Missing, Broken };
    // Brings doc_ up to the file (empty when it is missing or broken).
    LoadResult Load();
    bool KeyExists(const std::string& path) const;
    bool PathOf(RegKey key, std::string& path) const;
    RegKey NewHandle(const std::string& path);
    // Says on `diagnostics` that the file cannot be used, unless that was the last thing said.
    void Report(const std::string& problem, int line = 0);

    SafeFile file_;
    std::ostream* diagnostics_;
    // The last problem reported, so that each is said once.
    std::string lastReported_;
    std::map<RegKey, std::string> handles_;
    std::set<std::string> createdKeys_;  // folded paths
    RegKey nextHandle_ = 0x100;
    RegFileDocument doc_;
    bool cached_ = false;  // doc_ and cachedResult_ stand for the file of identity_
    FileIdentity identity_{};
    LoadResult cachedResult_ = LoadResult::Missing;
    std::uint64_t parses_ = 0;
};

// $XDG_CONFIG_HOME/velmora/user.reg, or ~/.config/velmora/user.reg when XDG_CONFIG_HOME is
// unset or not absolute.
std::string DefaultRegistryPath();
