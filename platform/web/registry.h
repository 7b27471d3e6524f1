// PageRegistry: the current user's hive as the web page keeps it, one registry-export text (the
// Linux settings file's format) held parsed in memory; the page stores the text after changes.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/posix/regfile.h"
#include "platform/registry.h"

class PageRegistry final : public Registry {
  public:
    // Takes the text as the hive; a text that cannot be parsed leaves the hive empty and returns
    // the reason. Empty text is an empty hive.
    std::optional<RegFileError> Load(std::string text);
    // The hive as a file: untouched lines as they were loaded, set values in the export form.
    std::string Text() const { return WriteRegFile(doc_); }
    // How many values were set since the hive was made.
    unsigned Changes() const { return changes_; }

    long CreateKey(RegKey base, std::string_view subKey, std::uint32_t access,
                   RegKey* result) override;
    long OpenKey(RegKey base, std::string_view subKey, std::uint32_t access,
                 RegKey* result) override;
    long QueryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long CloseKey(RegKey key) override;

  private:
    bool KeyExists(const std::string& path) const;
    bool PathOf(RegKey key, std::string& path) const;

    RegFileDocument doc_;
    std::map<RegKey, std::string> handles_;
    std::set<std::string> createdKeys_;  // folded paths of keys made without a value yet
    RegKey nextHandle_ = 0x100;
    unsigned changes_ = 0;
};
