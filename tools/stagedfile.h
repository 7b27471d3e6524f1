// StagedFile: an output file written under a temporary name beside its final one and renamed into
// place only when complete.
#pragma once

#include <string>

// A failed, interrupted or out-of-space run thus never leaves a partial file under the final name
// nor destroys the file an earlier run left there. A final name that is not a regular file (a
// device, a FIFO) is written in place: renaming over it would replace it.
class StagedFile {
  public:
    StagedFile() = default;
    ~StagedFile();  // discards what was not committed
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Makes the temporary file for `path`, with the modes the umask gives. Returns an error text
    // naming `path`, empty on success.
    std::string Begin(const std::string& path);
    // Where the writer writes: the temporary, or the final name when written in place.
    const std::string& WritePath() const { return StagingPath; }
    // Renames the temporary into place. Returns an error text, empty on success.
    std::string Commit();
    // Removes the temporary.
    void Discard();
    // `text` with the temporary's name replaced by the final one, for a writer's error text.
    std::string InFinalNames(std::string text) const;

    // From now on SIGINT and SIGTERM remove every temporary not yet committed, then end the
    // process by that signal.
    static void RemoveOnSignals();

  private:
    std::string FinalPath, StagingPath;
    int Slot = -1;  // the temporary's place in the table the signal handler reads; -1: none
};

// True when two paths name the same file: the same device and inode where both exist, else the
// same path once links, dots and repeated slashes are resolved.
bool SameFile(const std::string& a, const std::string& b);
