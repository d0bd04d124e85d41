#include "core/store/StoreFiles.h"

#include "tests/core/store/StoreTestSupport.h"

#include <gtest/gtest.h>
#include <map>

namespace snipstack {
namespace {

using namespace testing;

struct StoreFilesTest : TempFolderTest {};

TEST_F(StoreFilesTest, AtomicWriteReplacesPrivatelyAndFailsWithoutLeftovers) {
    put(dir / "record", "old content");
    writeAtomically("new", dir / "record");
    EXPECT_EQ(contentOf(dir / "record"), "new");
    EXPECT_EQ(fs::status(dir / "record").permissions(), fs::perms(0600));
    EXPECT_THROW(writeAtomically("data", dir / "missing" / "record"), fs::filesystem_error);
    fs::create_directory(dir / "folder");
    EXPECT_THROW(writeAtomically("data", dir / "folder"), fs::filesystem_error);
    EXPECT_EQ(treeOf(dir), (std::set<std::string>{"record", "folder"}));
}

TEST_F(StoreFilesTest, WipeOverwritesEveryFileInChunksAndNeverFollowsLinks) {
    const fs::path folder = dir / "store";
    fs::create_directories(folder / "meta" / "deep");
    fs::create_directory(dir / "outside");
    put(dir / "outside" / "file", "keep");
    fs::create_symlink(dir / "outside" / "file", folder / "meta" / "link");
    fs::create_directory_symlink(dir / "outside", folder / "linked-folder");
    fs::create_directory_symlink(dir / "outside", dir / "alias");
    put(folder / "big", std::string(wipeChunkSize * 5 / 2, 'a'));
    put(folder / "meta" / "deep" / ".hidden", "hidden");

    std::map<std::string, std::vector<std::size_t>> chunks;
    auto onChunk = [&](const fs::path& file, std::size_t size) {
        auto& sizes = chunks[file.filename().string()];
        // The random bytes really reach the file before it is deleted.
        EXPECT_TRUE(contentOf(file).substr(sizes.size() * wipeChunkSize, size) != std::string(size, 'a'));
        sizes.push_back(size);
    };
    wipe(folder, onChunk);
    // A link given as the folder is removed, never followed.
    wipe(dir / "alias", onChunk);
    EXPECT_EQ(chunks, (decltype(chunks){{"big", {wipeChunkSize, wipeChunkSize, wipeChunkSize / 2}},
                                        {".hidden", {6}}}));
    EXPECT_EQ(treeOf(dir), (std::set<std::string>{"outside", "outside/file"}));
    EXPECT_EQ(contentOf(dir / "outside" / "file"), "keep");
}

} // namespace
} // namespace snipstack
