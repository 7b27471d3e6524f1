#include "platform/posix/regdocument.h"

#include <algorithm>

#include "platform/posix/codepage.h"

namespace {

// The value as the file keeps it, from what an ANSI call passed.
RegFileValue FileValue(const RegFileDocument& doc, std::string_view name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) {
    RegFileValue value;
    value.Name = std::string(name);
    value.Type = type;
    value.Data.assign(data, data + size);
    if (!doc.Unicode || (type != kRegSz && type != kRegExpandSz)) return value;
    // Unicode text is quoted when a quoted value can carry it; otherwise it becomes a hex list,
    // which in such a file holds UTF-16LE, so that it reads back as the same code page bytes.
    std::string utf8 = SjisToUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    bool quotable = type == kRegSz && !utf8.empty() && utf8.back() == '\0' &&
                    utf8.find_first_of(std::string_view("\0\n\r", 3)) == utf8.size() - 1;
    if (quotable) {
        value.Data.assign(utf8.begin(), utf8.end());
        value.Quoted = true;
    } else {
        std::string utf16 = Utf8ToUtf16Le(utf8);
        value.Data.assign(utf16.begin(), utf16.end());
    }
    return value;
}

// A line with nothing but blanks on it.
bool IsBlankLine(const RegFileDocument& doc, const RegFileEntry& entry) {
    if (entry.IsValue || entry.Written >= 0) return false;
    const std::string_view bytes =
        std::string_view(doc.Bytes).substr(entry.Lines.Offset, entry.Lines.Size);
    const bool utf16 = doc.Bom == RegFileBom::Utf16Le;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool blank = utf16 && i % 2 == 1 ? bytes[i] == '\0'
                                               : std::string_view(" \t\r\n").find(bytes[i]) !=
                                                     std::string_view::npos;
        if (!blank) return false;
    }
    return true;
}

// Whether `path` lies below `base` ("A\B\C" below "a\b"), without regard to case.
bool Below(std::string_view path, std::string_view base) {
    return path.size() > base.size() && path[base.size()] == '\\' &&
           SameRegPath(path.substr(0, base.size()), base);
}

}  // namespace

bool DocumentHasKey(const RegFileDocument& doc, std::string_view path) {
    for (const auto& key : doc.Keys) {
        if (key.Deleted) continue;
        // A key below it implies it.
        if (SameRegPath(key.Path, path) || Below(key.Path, path)) return true;
    }
    return false;
}

std::optional<RegFileValue> FindDocumentValue(const RegFileDocument& doc, std::string_view path,
                                              std::string_view name) {
    // As on import, a later definition of a value overrides an earlier one.
    std::optional<RegFileValue> found;
    for (const auto& key : doc.Keys) {
        if (key.Deleted || !SameRegPath(key.Path, path)) continue;
        for (const auto& entry : key.Entries) {
            if (!entry.IsValue) continue;
            RegFileValue value = EntryValue(doc, entry);
            if (SameRegPath(value.Name, name)) found = std::move(value);
        }
    }
    return found;
}

// The value as the ANSI registry calls hand it out: Unicode text comes back in code page 932.
std::vector<std::uint8_t> AnsiValueData(const RegFileDocument& doc, const RegFileValue& value) {
    if (!doc.Unicode || (value.Type != kRegSz && value.Type != kRegExpandSz)) return value.Data;
    std::string utf8;
    if (value.Quoted) {
        utf8.assign(value.Data.begin(), value.Data.end());
    } else {
        std::string utf16(value.Data.begin(), value.Data.end());
        utf8 = Utf16LeToUtf8(utf16);
    }
    // Both forms carry their terminating zero; convert the text before it and put one back.
    auto zero = utf8.find('\0');
    if (zero != std::string::npos) utf8.resize(zero);
    auto ansi = Utf8ToSjis(utf8);
    std::string text = ansi ? *ansi : utf8;
    std::vector<std::uint8_t> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

void SetDocumentValue(RegFileDocument& doc, std::string_view path, std::string_view name,
                      std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    RegFileValue value = FileValue(doc, name, type, data, size);

    RegFileKey* last = nullptr;
    RegFileEntry* existing = nullptr;
    for (auto& k : doc.Keys) {
        if (k.Deleted || !SameRegPath(k.Path, path)) continue;
        last = &k;
        for (auto& entry : k.Entries)
            if (entry.IsValue && SameRegPath(EntryValue(doc, entry).Name, name)) existing = &entry;
    }
    if (existing) {
        value.Name = EntryValue(doc, *existing).Name;  // keep the spelling the file has
        SetEntryValue(doc, *existing, std::move(value));
    } else if (last) {
        // After the key's last value, before the blank lines and comments that close the block.
        auto at = last->Entries.end();
        while (at != last->Entries.begin() && !(at - 1)->IsValue) --at;
        RegFileEntry entry;
        SetEntryValue(doc, entry, std::move(value));
        last->Entries.insert(at, entry);
    } else {
        // Blocks are kept apart by a blank line, as the exporter writes them.
        if (!doc.Keys.empty()) {
            auto& entries = doc.Keys.back().Entries;
            if (entries.empty() || entries.back().IsValue || !IsBlankLine(doc, entries.back()))
                entries.push_back(RegFileEntry{});
        }
        RegFileKey block;
        block.Path = std::string(path);
        RegFileEntry entry;
        SetEntryValue(doc, entry, std::move(value));
        block.Entries.push_back(entry);
        block.Entries.push_back(RegFileEntry{});
        doc.Keys.push_back(std::move(block));
    }
}

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

std::string Join(const std::string& base, std::string_view sub) {
    while (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
    if (sub.empty()) return base;
    return base + "\\" + std::string(sub);
}

}  // namespace

bool DocumentRegistry::KeyExists(const std::string& path) const {
    // The hive's root and "Software" exist on every system, whether the document names them or
    // not.
    if (SameRegPath(path, kRootName) || SameRegPath(path, std::string(kRootName) + "\\Software"))
        return true;
    return CreatedKeys.count(FoldRegText(path)) != 0 || DocumentHasKey(Document, path);
}

bool DocumentRegistry::PathOf(RegKey key, std::string& path) const {
    if (key == kRegCurrentUser) {
        path = std::string(kRootName);
        return true;
    }
    auto it = Handles.find(key);
    if (it == Handles.end()) return false;
    path = it->second;
    return true;
}

long DocumentRegistry::Open(RegKey base, std::string_view subKey, bool create, RegKey* result) {
    std::string basePath;
    if (!PathOf(base, basePath)) return kRegErrorInvalidHandle;
    std::string path = Join(basePath, subKey);
    Refresh();  // an unreadable hive has no keys beyond the ones every system has
    if (!KeyExists(path)) {
        if (!create) return kRegErrorFileNotFound;
        CreatedKeys.insert(FoldRegText(path));
    }
    *result = NextHandle;
    NextHandle += 4;
    Handles[*result] = std::move(path);
    return 0;
}

long DocumentRegistry::CreateKey(RegKey base, std::string_view subKey, std::uint32_t,
                                 RegKey* result) {
    return Open(base, subKey, true, result);
}

long DocumentRegistry::OpenKey(RegKey base, std::string_view subKey, std::uint32_t,
                               RegKey* result) {
    return Open(base, subKey, false, result);
}

long DocumentRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
    std::string path;
    if (!PathOf(key, path)) return kRegErrorInvalidHandle;
    if (!Refresh()) return kRegErrorFileNotFound;
    const std::optional<RegFileValue> value = FindDocumentValue(Document, path, name);
    if (!value) return kRegErrorFileNotFound;
    const auto bytes = AnsiValueData(Document, *value);
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (type) *type = value->Type;
    if (data) {
        if (!size || *size < needed) {
            if (size) *size = needed;
            return kRegErrorMoreData;
        }
        std::copy(bytes.begin(), bytes.end(), data);
    }
    if (size) *size = needed;
    return 0;
}

long DocumentRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
    std::string path;
    if (!PathOf(key, path)) return kRegErrorInvalidHandle;
    const long error = Store([&] { SetDocumentValue(Document, path, name, type, data, size); });
    if (error == 0) CreatedKeys.erase(FoldRegText(path));
    return error;
}

long DocumentRegistry::CloseKey(RegKey key) {
    if (key == kRegCurrentUser) return 0;
    return Handles.erase(key) ? 0 : kRegErrorInvalidHandle;
}
