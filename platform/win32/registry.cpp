#include "platform/win32/registry.h"

#include "platform/win32/win.h"

#include <string>

namespace {

// kRegCurrentUser is the 32-bit pattern of HKEY_CURRENT_USER; on 64-bit Windows the predefined
// handle is that pattern sign-extended.
HKEY ToHkey(RegKey key) {
    if (key == kRegCurrentUser) return HKEY_CURRENT_USER;
    return reinterpret_cast<HKEY>(key);
}

RegKey FromHkey(HKEY key) {
    return reinterpret_cast<RegKey>(key);
}

}  // namespace

long Win32Registry::CreateKey(RegKey base, std::string_view subKey, std::uint32_t access,
                              RegKey* result) {
    HKEY out = nullptr;
    const std::string name(subKey);
    LONG r = RegCreateKeyExA(ToHkey(base), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             access, nullptr, &out, nullptr);
    *result = r == ERROR_SUCCESS ? FromHkey(out) : 0;
    return r;
}

long Win32Registry::OpenKey(RegKey base, std::string_view subKey, std::uint32_t access,
                            RegKey* result) {
    HKEY out = nullptr;
    const std::string name(subKey);
    LONG r = RegOpenKeyExA(ToHkey(base), name.c_str(), 0, access, &out);
    *result = r == ERROR_SUCCESS ? FromHkey(out) : 0;
    return r;
}

long Win32Registry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
    const std::string value(name);
    DWORD t = 0;
    DWORD n = size != nullptr ? *size : 0;
    LONG r = RegQueryValueExA(ToHkey(key), value.c_str(), nullptr, &t, data,
                              size != nullptr ? &n : nullptr);
    if (type != nullptr) *type = t;
    if (size != nullptr) *size = n;
    return r;
}

long Win32Registry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
    const std::string value(name);
    return RegSetValueExA(ToHkey(key), value.c_str(), 0, type, data, size);
}

long Win32Registry::CloseKey(RegKey key) {
    return RegCloseKey(ToHkey(key));
}
