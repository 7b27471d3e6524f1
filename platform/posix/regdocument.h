// The current user's hive held in a registry-export document: finding, reading and setting one
// value as the ANSI registry calls see them. The file registry and the web page's registry both
// keep their values this way; only where the document's bytes live differs.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/regfile.h"
#include "platform/registry.h"

// Whether the document has key `path` (e.g. HKEY_CURRENT_USER\Software\Velmora), or a key below
// it, that is not deleted.
bool DocumentHasKey(const RegFileDocument& document, std::string_view path);

// The value `name` of key `path`; as on import, a later definition overrides an earlier one.
std::optional<RegFileValue> FindDocumentValue(const RegFileDocument& document,
                                              std::string_view path, std::string_view name);

// The value's data as the ANSI calls hand it out: Unicode text comes back in code page 932.
std::vector<std::uint8_t> AnsiValueData(const RegFileDocument& document, const RegFileValue& value);

// Sets value `name` of key `path` from what an ANSI call passed: in place when the key has it,
// else after the key's last value, else in a new block at the end.
void SetDocumentValue(RegFileDocument& document, std::string_view path, std::string_view name,
                      std::uint32_t type, const std::uint8_t* data, std::uint32_t size);

// The registry calls over a document: key handles, keys created without a value yet (they exist
// for this process only, until their first value), reads and writes of one value. Where the
// document comes from and goes to is the subclass's: it brings the document up to date before
// each call and stores each change.
class DocumentRegistry : public Registry {
  public:
    long CreateKey(RegKey base, std::string_view subKey, std::uint32_t access,
                   RegKey* result) final;
    long OpenKey(RegKey base, std::string_view subKey, std::uint32_t access, RegKey* result) final;
    long QueryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) final;
    long SetValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) final;
    long CloseKey(RegKey key) final;

  protected:
    // Brings Document up to date; false when the hive cannot be read (its values then read as
    // missing and only the keys every system has exist).
    virtual bool Refresh() { return true; }
    // Applies `change` to Document and stores the result; 0 or the registry error that kept the
    // change from being stored.
    virtual long Store(const std::function<void()>& change) {
        change();
        return 0;
    }
    // Keys made without a value are forgotten when a new hive is taken.
    void ForgetCreatedKeys() { CreatedKeys.clear(); }

    RegFileDocument Document;

  private:
    bool KeyExists(const std::string& path) const;
    bool PathOf(RegKey key, std::string& path) const;
    // Opens `subKey` under `base`; a missing key is made when `create`, else an error.
    long Open(RegKey base, std::string_view subKey, bool create, RegKey* result);

    std::map<RegKey, std::string> Handles;
    std::set<std::string> CreatedKeys;  // folded paths
    RegKey NextHandle = 0x100;
};
