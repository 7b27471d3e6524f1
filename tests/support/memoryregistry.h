// MemoryRegistry: a current-user hive kept in memory, with a call log and failure injection for
// every call: the registry double of the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"

enum class RegCall { CreateKey, OpenKey, QueryValueInfo, QueryValueData, SetValue, CloseKey };

// What a call is about to do, as a failure rule sees it.
struct RegCallInfo {
    RegCall Call;
    std::string KeyPath;  // the key the call works on (for Create/Open: the key being opened)
    std::string Name;     // the subkey as passed, or the value name
    std::uint32_t Access = 0;
};

struct RegStoredValue {
    std::uint32_t Type = kRegNone;
    std::vector<std::uint8_t> Data;
};

class MemoryRegistry : public Registry {
  public:
    long CreateKey(RegKey base, std::string_view subKey, std::uint32_t access,
                   RegKey* result) override;
    long OpenKey(RegKey base, std::string_view subKey, std::uint32_t access,
                 RegKey* result) override;
    long QueryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long CloseKey(RegKey key) override;

    // Failure injection: every call first asks the rules, in the order they were added; the
    // first non-zero answer is returned as the call's error and the call does nothing else.
    void AddFailure(std::function<long(const RegCallInfo&)> rule) {
        Rules.push_back(std::move(rule));
    }
    // Fails every `call` whose name (subkey or value name) equals `name` without regard to case;
    // an empty `name` fails every such call.
    void FailCall(RegCall call, std::string_view name = {}, long error = kRegErrorAccessDenied);
    void ClearFailures() { Rules.clear(); }

    // Direct access to the hive, bypassing rules and log. Paths are below HKEY_CURRENT_USER,
    // separated by "\" (e.g. "Software\\Velmora"); names compare without regard to case.
    void Put(std::string_view keyPath, std::string_view name, std::uint32_t type,
             std::vector<std::uint8_t> data);
    void PutText(std::string_view keyPath, std::string_view name, std::string_view text);
    // PutText for each (name, text) pair, in order.
    void PutTexts(std::string_view keyPath,
                  std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
        for (const auto& [name, text] : values) PutText(keyPath, name, text);
    }
    std::optional<RegStoredValue> Get(std::string_view keyPath, std::string_view name) const;
    // The value's text when it is REG_SZ, without its terminating zero.
    std::optional<std::string> GetText(std::string_view keyPath, std::string_view name) const;
    bool KeyExists(std::string_view keyPath) const;
    // Names of the values of a key, in the order they were first set.
    std::vector<std::string> ValueNames(std::string_view keyPath) const;

    // Every call as one line ("OpenKey Software\\Velmora 0xF003F", "SetValue Speed", ...).
    const std::vector<std::string>& Log() const { return Calls; }
    void ClearLog() { Calls.clear(); }
    // Handles opened and not yet closed.
    std::size_t OpenHandles() const { return OpenKeys.size(); }

  private:
    struct Key {
        std::string Path;  // as first created
        std::vector<std::pair<std::string, RegStoredValue>> Values;
    };

    static std::string Fold(std::string_view text);
    std::optional<std::string> PathOf(RegKey key) const;
    static std::string Join(const std::string& base, std::string_view sub);
    long Check(const RegCallInfo& info) const;
    // The start of CreateKey and OpenKey: sets `path` to the key that `subKey` below `base`
    // names and logs the call; an error when a failure is plugged in or `base` is unknown.
    long StartKeyCall(RegCall call, std::string_view name, RegKey base, std::string_view subKey,
                      std::uint32_t access, std::string& path);
    Key* Find(std::string_view path);
    const Key* Find(std::string_view path) const;
    Key& Make(std::string_view path);
    RegKey NewHandle(const std::string& path);

    std::map<std::string, Key> Keys;  // by folded path; "" is the hive's root
    std::map<RegKey, std::string> OpenKeys;
    RegKey NextHandle = 0x100;
    std::vector<std::function<long(const RegCallInfo&)>> Rules;
    std::vector<std::string> Calls;
};
