#pragma once

#include "core/store/DiskStore.h"
#include "core/store/KeyVault.h"

#include <fstream>
#include <gtest/gtest.h>

namespace snipstack::testing {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
struct TempFolderTest : ::testing::Test {
    const fs::path dir = fs::temp_directory_path() / ("snipstack-store-" + Uuid::random().string());
    TempFolderTest() { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
};

inline void put(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}
inline std::string contentOf(const fs::path& path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}
inline std::set<std::string> treeOf(const fs::path& folder) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        paths.insert(fs::relative(entry.path(), folder).string());
    return paths;
}

// A new empty store named by the pointer, its key in `vault`.
inline DiskStore liveStore(const StoreLayout& layout, KeyVault& vault, Cipher cipher, Date createdAt = {}) {
    DiskStore store = DiskStore::create(layout, makeKey(cipher), Uuid::random().string(), cipher, createdAt);
    vault.store(store.sealer().key(), store.manifest().keyID, false);
    layout.setCurrent(store.manifest().storeID);
    return store;
}

// The code of the `Error` that `action` throws, or nothing when it throws none.
template <typename Error, typename Action> std::optional<typename Error::Code> codeOf(Action&& action) try {
    action();
    return std::nullopt;
} catch (const Error& error) {
    return error.code();
}

} // namespace snipstack::testing
