// The Linux registry: the current user's hive kept as a registry-export text file
// (platform/posix/regfile.h), by default $XDG_CONFIG_HOME/velmora/user.reg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "platform/posix/regdocument.h"
#include "platform/posix/safefile.h"

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
class FileRegistry final : public DocumentRegistry {
  public:
    explicit FileRegistry(std::string path, std::ostream* diagnostics = nullptr);
    ~FileRegistry() override;

    const std::string& Path() const { return File.Path(); }
    // How many times the file has been parsed: once for a reading of every setting while the
    // file stays the same.
    std::uint64_t Parses() const { return ParseCount; }

  private:
    enum class LoadResult { Ok, Missing, Broken };
    bool Refresh() override { return Load() != LoadResult::Broken; }
    // Takes the write lock, reads the file again (another writer may have changed it), applies
    // the change and replaces the file.
    long Store(const std::function<void()>& change) override;
    // Brings Document up to the file (empty when it is missing or broken).
    LoadResult Load();
    // Says on `diagnostics` that the file cannot be used, unless that was the last thing said.
    void Report(const std::string& problem, int line = 0);

    SafeFile File;
    std::ostream* Diagnostics;
    // The last problem reported, so that each is said once.
    std::string LastReported;
    bool Cached = false;  // Document and CachedResult stand for the file of CachedIdentity
    FileIdentity CachedIdentity{};
    LoadResult CachedResult = LoadResult::Missing;
    std::uint64_t ParseCount = 0;
};

// $XDG_CONFIG_HOME/velmora/user.reg, or ~/.config/velmora/user.reg when XDG_CONFIG_HOME is
// unset or not absolute.
std::string DefaultRegistryPath();
