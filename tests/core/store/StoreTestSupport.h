#pragma once

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>

namespace snipstack::testing {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
struct TempFolderTest : ::testing::Test {
    fs::path dir;
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "snipstack-store-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
};

inline void put(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}
inline std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline unsigned modeOf(const fs::path& path) {
    return static_cast<unsigned>(fs::status(path).permissions());
}
inline std::set<std::string> treeOf(const fs::path& folder) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        paths.insert(fs::relative(entry.path(), folder).string());
    }
    return paths;
}

// The code of the `Error` that `action` throws, or nothing when it throws none.
template <typename Error, typename Action> std::optional<typename Error::Code> codeOf(Action&& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.code();
    }
    return std::nullopt;
}

} // namespace snipstack::testing
