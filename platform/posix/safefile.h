// SafeFile: a small file that one user's programs read and replace while other users, links and
// killed writers may have left anything in its place: reads bounded in size and kind, writes under
// a lock and by atomic replacement, owners kept, links followed only to their owner's own files,
// and the temporaries of killed saves cleared away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Which file a path led to, and whether it has changed since.
struct FileIdentity {
    std::uint64_t Device = 0, Inode = 0, Size = 0, ModifiedNs = 0, ChangedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

class SafeFile {
  public:
    enum class ReadResult { Ok, Failed, NotRegular, TooLarge };
    enum class SaveResult { Saved, Refused, Failed };
    // Takes the new content piece by piece; false when it cannot.
    using ByteSink = std::function<bool(std::string_view bytes)>;
    // Writes the whole new content into the sink; false gives the save up.
    using ContentWriter = std::function<bool(const ByteSink& sink)>;

    SafeFile(std::string path, std::size_t maxSize)
        : FilePath(std::move(path)), SizeLimit(maxSize) {}

    const std::string& Path() const { return FilePath; }
    std::size_t MaxSize() const { return SizeLimit; }

    // The whole file, which must be a regular file of at most MaxSize() bytes: a FIFO would
    // block, a device (a link to /dev/zero) would never end. `error` is errno for Failed;
    // `identity` is what was opened, whenever it could be looked at.
    ReadResult Read(std::string& out, int& error, FileIdentity& identity) const;
    // What the path leads to now; false when nothing can be looked at there.
    bool Identify(FileIdentity& identity) const;
    // Makes the file's folder, and those above it, with mode 0700 and the owner of the folder
    // each is made in.
    bool MakeFolder() const;
    // Replaces the file with what `write` gives: under a temporary name first, then renamed over
    // it, so a reader sees the old file or the new one, never a part. Refused when the path is a
    // link to what its owner does not own. `written` is the new file's identity.
    SaveResult Replace(const ContentWriter& write, FileIdentity& written) const;

    // Holds an exclusive flock on "<file>.lock" for one write; the lock file itself is left in
    // place, since removing it would let a third writer lock a different file.
    class WriteLock {
      public:
        explicit WriteLock(const SafeFile& file);
        ~WriteLock();
        WriteLock(const WriteLock&) = delete;
        WriteLock& operator=(const WriteLock&) = delete;
        bool Held() const { return Descriptor >= 0; }

      private:
        int Descriptor = -1;
    };

  private:
    std::string FilePath;
    std::size_t SizeLimit;
};
