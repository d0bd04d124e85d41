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
    fs::permissions(dir / "record", fs::perms(0644));
    writeAtomically("new", dir / "record");
    EXPECT_EQ(contentOf(dir / "record"), "new");
    EXPECT_EQ(modeOf(dir / "record"), 0600u);
    EXPECT_THROW(writeAtomically("data", dir / "missing" / "record"), fs::filesystem_error);
    // rename(2) cannot put a file in place of a directory.
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
    const std::string big((1 << 20) * 5 / 2, 'a');
    put(folder / "big", big);
    put(folder / "empty", "");
    put(folder / "meta" / "deep" / ".hidden", "hidden");

    std::map<std::string, std::vector<std::size_t>> chunks;
    wipe(folder, [&](const fs::path& file, std::size_t size) {
        auto& sizes = chunks[file.filename().string()];
        sizes.push_back(size);
        if (file.filename() == "big") {
            // The random bytes really reach the file before it is deleted.
            const std::size_t done = (sizes.size() - 1) * (1 << 20) + size;
            EXPECT_NE(contentOf(file).substr(0, done), big.substr(0, done));
        }
    });
    const std::map<std::string, std::vector<std::size_t>> expected{{"big", {1 << 20, 1 << 20, 1 << 19}},
                                                                   {".hidden", {6}}};
    EXPECT_EQ(chunks, expected);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(contentOf(dir / "outside" / "file"), "keep");
    EXPECT_NO_THROW(wipe(dir / "never-existed"));
}

TEST_F(StoreFilesTest, WipeOfALinkedFolderLeavesTheLinkTargetAlone) {
    fs::create_directory(dir / "outside");
    put(dir / "outside" / "file", "keep");
    fs::create_directory_symlink(dir / "outside", dir / "alias");
    std::size_t written = 0;
    wipe(dir / "alias", [&](const fs::path&, std::size_t size) { written += size; });
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(contentOf(dir / "outside" / "file"), "keep");
}

} // namespace
} // namespace snipstack
