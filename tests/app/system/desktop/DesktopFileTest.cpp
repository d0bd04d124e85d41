#include "app/system/desktop/DesktopFile.h"

#include "app/system/desktop/DesktopEntry.h"
#include "app/system/desktop/LocalizedKeys.h"

#include <gtest/gtest.h>

namespace snipstack {
namespace {

using Lines = std::vector<std::size_t>;

TEST(DesktopFileTest, ReadsGroupsAndKeysInAnySpellingAndSkipsInvalidLines) {
    const DesktopFile file("# comment\r\n"
                           "Orphan=before any group\n"
                           "[Desktop Entry]\r\n"
                           "\r\n"
                           "  Name = Editor  \r\n"
                           "\tName[de_DE]=Bearbeiter\n"
                           "Name[sr@latin]\t=\tUređivač\n"
                           "Exec=editor %U\n"
                           "   # indented comment\n"
                           "no equals sign\n"
                           "=no key\n"
                           "Bad Key=1\n"
                           "Key_With_Underscore=1\n"
                           "Name[]=empty locale\n"
                           "Name[de]x=trailing\n"
                           "Comment=a=b\n"
                           "[Desktop Action New]\n"
                           "Name=New Window\n"
                           "[Broken\n"
                           "Name=under a broken header\n"
                           "[Bad]Group]\n"
                           "[Empty]");
    const std::string group = "Desktop Entry";
    EXPECT_EQ(file.value(group, "Name"), "Editor");
    EXPECT_EQ(file.value(group, "Name[de_DE]"), "Bearbeiter");
    EXPECT_EQ(file.value(group, "Name[sr@latin]"), "Uređivač");
    EXPECT_EQ(file.value(group, "Exec"), "editor %U");
    EXPECT_EQ(file.value(group, "Comment"), "a=b");
    EXPECT_EQ(file.value(group, "Name[de]"), std::nullopt);
    EXPECT_EQ(file.value(group, "name"), std::nullopt);
    EXPECT_EQ(file.value("Desktop Action New", "Name"), "New Window");
    EXPECT_EQ(file.value("Desktop Action New", "Exec"), std::nullopt);
    EXPECT_TRUE(file.hasGroup("Empty"));
    for (const char* absent : {"", "Broken", "Bad]Group", "desktop entry"}) {
        EXPECT_FALSE(file.hasGroup(absent)) << absent;
    }
    EXPECT_EQ(file.skippedLines(), (Lines{2, 10, 11, 12, 13, 14, 15, 19, 20, 21}));
}

TEST(DesktopFileTest, ResolvesEscapesAndKeepsTheFirstOfRepeatedKeys) {
    const DesktopFile file("[Desktop Entry]\n"
                           "Escaped=\\sa\\tb\\nc\\rd\\\\e\\\\s\n"
                           "Kept=a\\;b\\q\\\n"
                           "Bytes=ok\xff\xfe\n"
                           "Empty=\n"
                           "Hidden=false\n"
                           "Hidden=true\n"
                           "[Other]\n"
                           "Hidden=other\n"
                           "[Desktop Entry]\n"
                           "Hidden=true\n"
                           "Icon=from the repeated group\n");
    EXPECT_EQ(file.value("Desktop Entry", "Escaped"), " a\tb\nc\rd\\e\\s");
    EXPECT_EQ(file.value("Desktop Entry", "Kept"), "a\\;b\\q\\");
    EXPECT_EQ(file.value("Desktop Entry", "Bytes"), "ok\uFFFD\uFFFD");
    EXPECT_EQ(file.value("Desktop Entry", "Empty"), "");
    EXPECT_EQ(file.value("Desktop Entry", "Hidden"), "false");
    EXPECT_EQ(file.value("Other", "Hidden"), "other");
    EXPECT_EQ(file.value("Desktop Entry", "Icon"), "from the repeated group");
    EXPECT_TRUE(file.skippedLines().empty());
}

TEST(DesktopFileTest, ApplicationEntriesTakeTheBestLocalisedNameAndSkipHiddenOrOtherTypes) {
    EXPECT_EQ(
        localizedKeys("Name", "sr_RS.UTF-8@latin"),
        (std::vector<std::string>{"Name[sr_RS@latin]", "Name[sr_RS]", "Name[sr@latin]", "Name[sr]", "Name"}));
    EXPECT_EQ(localizedKeys("Name", "de"), (std::vector<std::string>{"Name[de]", "Name"}));
    for (const char* plain : {"", "C", "C.UTF-8", "POSIX"}) {
        EXPECT_EQ(localizedKeys("Name", plain), std::vector<std::string>{"Name"}) << plain;
    }

    const auto nameKeys = localizedKeys("Name", "de_AT.UTF-8");
    const auto entry = [&](const std::string& lines) {
        return applicationEntry(DesktopFile("[Desktop Entry]\n" + lines), "id", nameKeys);
    };
    const auto parsed =
        entry("Name=Editor\nName[de_AT]=\nName[de]=Bearbeiter\nIcon=edit\nStartupWMClass=Ed\n");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->entry, (DesktopEntry{"id", "Bearbeiter", "edit"}));
    EXPECT_EQ(parsed->windowClass, "Ed");
    EXPECT_EQ(entry("Type=Application\nIcon=\n")->entry, (DesktopEntry{"id", std::nullopt, std::nullopt}));
    for (const char* refused : {"Type=Link\n", "Hidden=true\n", "Type=Directory\nName=Folder\n"}) {
        EXPECT_EQ(entry(refused), std::nullopt) << refused;
    }
    EXPECT_EQ(applicationEntry(DesktopFile("[Other]\nName=x\n"), "id", nameKeys), std::nullopt);
}

} // namespace
} // namespace snipstack
