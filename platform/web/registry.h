// PageRegistry: the current user's hive as the web page keeps it, one registry-export text (the
// Linux settings file's format) held parsed in memory; the page stores the text after changes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/posix/regdocument.h"

class PageRegistry final : public DocumentRegistry {
  public:
    // Takes the text as the hive; a text that cannot be parsed leaves the hive empty and returns
    // the reason. Empty text is an empty hive.
    std::optional<RegFileError> Load(std::string text);
    // The hive as a file: untouched lines as they were loaded, set values in the export form.
    std::string Text() const { return WriteRegFile(Document); }
    // How many values were set since the hive was made.
    unsigned Changes() const { return ChangeCount; }

  private:
    long Store(const std::function<void()>& change) override {
        change();
        ++ChangeCount;
        return 0;
    }

    unsigned ChangeCount = 0;
};
