// The store's Shift-JIS messages as the tests expect them, written out once.
#pragma once

#include <string>
#include <string_view>

// "'%s' は整数ではありません"
inline std::string NotAnInteger(std::string_view text) {
    return "'" + std::string(text) +
           "' \x82\xCD\x90\xAE\x90\x94\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";
}
// "'%s' の取得に失敗しました"
inline std::string ReadFailed(std::string_view name) {
    return "'" + std::string(name) +
           "' \x82\xCC\x8E\xE6\x93\xBE\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
}
// "'%s' のﾃﾞｰﾀ型が不正です"
inline std::string BadDataType(std::string_view name) {
    return "'" + std::string(name) +
           "' \x82\xCC\xC3\xDE\xB0\xC0\x8C^\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7";
}
// "ｷｰ %s の作成に失敗しました"
inline std::string CreateKeyFailed(std::string_view section) {
    return "\xB7\xB0 " + std::string(section) +
           " \x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
}
// "'%s' の設定に失敗しました"
inline std::string WriteFailed(std::string_view name) {
    return "'" + std::string(name) +
           "' \x82\xCC\x90\xDD\x92\xE8\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
}
