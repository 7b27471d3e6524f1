#include "platform/web/registry.h"

#include <variant>

std::optional<RegFileError> PageRegistry::Load(std::string text) {
    Document = RegFileDocument{};
    ForgetCreatedKeys();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return std::nullopt;
    auto parsed = ParseRegFile(std::move(text));
    if (auto* failure = std::get_if<RegFileError>(&parsed)) return *failure;
    Document = std::move(std::get<RegFileDocument>(parsed));
    return std::nullopt;
}
