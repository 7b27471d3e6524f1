// Win32Registry: the registry interface over advapi32 (the ANSI calls the settings store names).
#pragma once

#include "platform/registry.h"

class Win32Registry final : public Registry {
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
};
