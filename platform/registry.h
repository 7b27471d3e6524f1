// The registry as the settings store uses it: a hive of keys holding typed values, reached through
// the six calls of the Windows registry API that the store relies on.
#pragma once

#include <cstdint>
#include <string_view>

using RegKey = std::uintptr_t;  // an open key; 0 = none

inline constexpr RegKey kRegCurrentUser = 0x80000001u;  // the root of the current user's hive

// Value types, numbered as the Windows registry numbers them.
enum RegType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

// Access rights, as the Windows registry numbers them.
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kKeyRead = 0x20019;

// Errors the backends answer with, numbered as the Windows registry numbers them.
inline constexpr long kRegErrorFileNotFound = 2;
inline constexpr long kRegErrorAccessDenied = 5;
inline constexpr long kRegErrorInvalidHandle = 6;
inline constexpr long kRegErrorMoreData = 234;
inline constexpr long kRegErrorRegistryIo = 1016;

// Every call returns 0 on success and a non-zero platform error otherwise.
class Registry {
  public:
    virtual ~Registry() = default;
    // Opens `subKey` under `base`, creating it (and the keys above it) when missing.
    virtual long CreateKey(RegKey base, std::string_view subKey, std::uint32_t access,
                           RegKey* result) = 0;
    // Opens an existing `subKey` under `base` with `access`.
    virtual long OpenKey(RegKey base, std::string_view subKey, std::uint32_t access,
                         RegKey* result) = 0;
    // Reads value `name` of `key`. With `data` null only `*size` (and `*type`, when given) are
    // filled; otherwise `*size` is the buffer's size on entry and the data's size on return.
    virtual long QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;
    virtual long SetValue(RegKey key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
    virtual long CloseKey(RegKey key) = 0;
};
