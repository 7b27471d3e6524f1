// The current user's hive held in a registry-export document: finding, reading and setting one
// value as the ANSI registry calls see them. The file registry and the web page's registry both
// keep their values this way; only where the document's bytes live differs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/regfile.h"

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
