#include "settings/returnlockoptions.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "settings/convert.h"

namespace {

constexpr std::string_view kDesktopKey = "Control Panel\\desktop";
constexpr std::string_view kIsSecureValue = "ScreenSaverIsSecure";
constexpr std::string_view kUsePasswordValue = "ScreenSaveUsePassword";
constexpr std::string_view kGracePeriodValue = "ScreenSaverGracePeriod";

// A value as a number: a 32-bit value, or a text of a decimal (or "0x" hex) integer. Empty for
// a missing value or one of any other form. A text is read from a buffer of fixed size: these
// values are short, and a longer one is no number anyway.
std::optional<std::int64_t> NumberValue(Registry& registry, RegKey key, std::string_view name) {
    std::array<std::uint8_t, 64> buffer{};
    std::uint32_t type = kRegNone;
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    if (registry.QueryValue(key, name, &type, buffer.data(), &size) != 0) return std::nullopt;
    const std::size_t filled = std::min<std::size_t>(size, buffer.size());
    if (type == kRegDword) {
        if (filled != 4) return std::nullopt;
        return std::int64_t{buffer[0]} | std::int64_t{buffer[1]} << 8 |
               std::int64_t{buffer[2]} << 16 | std::int64_t{buffer[3]} << 24;
    }
    if (type != kRegSz && type != kRegExpandSz) return std::nullopt;
    std::size_t end = 0;
    while (end < filled && buffer[end] != 0) ++end;
    const std::string_view text(reinterpret_cast<const char*>(buffer.data()), end);
    const auto number = StoredTextToInt(text);
    if (!number) return std::nullopt;
    return *number;
}

}  // namespace

ReturnLockOptions ReadReturnLockOptions(Registry& registry) {
    ReturnLockOptions options;
    RegKey key = 0;
    // Read access only: the key is never created or written here.
    if (registry.OpenKey(kRegCurrentUser, kDesktopKey, kKeyRead, &key) != 0 || key == 0)
        return options;
    const auto isSecure = NumberValue(registry, key, kIsSecureValue);
    const auto usePassword = NumberValue(registry, key, kUsePasswordValue);
    options.Secure = (isSecure && *isSecure != 0) || (usePassword && *usePassword != 0);
    if (const auto grace = NumberValue(registry, key, kGracePeriodValue))
        options.GraceSeconds = static_cast<std::uint32_t>(
            std::clamp<std::int64_t>(*grace, 0, std::int64_t{kMaxGraceSeconds}));
    registry.CloseKey(key);
    return options;
}
