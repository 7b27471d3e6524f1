// TempDir: a fresh folder under /tmp for one test, removed with all it holds when the test ends.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

struct TempDir {
    // `name` tells whose folder it is: /tmp/velmora-NAME-XXXXXX.
    explicit TempDir(const std::string& name) {
        std::string pattern = "/tmp/velmora-" + name + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        Path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path Path;
};
