#include "app/system/DesktopEntries.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace snipstack {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Sets a variable for one test; the other tests in the program see the real environment.
struct ScopedVariable {
    ScopedVariable(const char* name, const std::string& value)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), old(qgetenv(name)) {
        qputenv(name, value.c_str());
    }
    ~ScopedVariable() { wasSet ? qputenv(name, old) : qunsetenv(name); }
    const char* name;
    bool wasSet;
    QByteArray old;
};

class DesktopEntriesTest : public ::testing::Test {
protected:
    void put(const fs::path& relative, const std::string& content) {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << content;
    }

    static std::string entry(const std::string& lines) {
        return "# comment\n[Desktop Entry]\nType=Application\n" + lines;
    }

    QTemporaryDir temporary;
    fs::path root = temporary.path().toStdString();
    ScopedVariable home{"XDG_DATA_HOME", root / "home"};
    // Relative and empty entries are ignored.
    ScopedVariable dirs{"XDG_DATA_DIRS",
                        "relative:" + (root / "local").string() + "::" + (root / "system").string()};
    ScopedVariable locale{"LC_ALL", "de_AT.UTF-8"};
};

TEST_F(DesktopEntriesTest, MatchesStartupWMClassBeforeFileNameIgnoringCase) {
    put("system/applications/gimp.desktop", entry("Name=Gimp by name\n"));
    put("system/applications/org.gimp.GIMP.desktop", entry("Name=GIMP\nIcon=gimp\nStartupWMClass=Gimp\n"));
    put("system/applications/firefox.desktop", entry("Name=Firefox\nIcon=firefox\n"));
    put("system/applications/org.gnome.Terminal.desktop", entry("StartupWMClass = gnome-terminal-server\n"));
    DesktopEntries entries;
    EXPECT_EQ(entries.find("gimp", "Gimp"), (DesktopEntry{"org.gimp.GIMP", "GIMP", "gimp"}));
    EXPECT_EQ(entries.find("Navigator", "FIREFOX"), (DesktopEntry{"firefox", "Firefox", "firefox"}));
    EXPECT_EQ(entries.find("gnome-terminal-server", "Gnome-terminal")->id, "org.gnome.Terminal");
    EXPECT_EQ(entries.find("unknown", "Unknown"), std::nullopt);
}

TEST_F(DesktopEntriesTest, EarlierFoldersHideLaterOnesAndSubfoldersJoinTheID) {
    put("home/applications/firefox.desktop", entry("Name=My Firefox\n"));
    put("home/applications/removed.desktop", entry("Hidden=true\n"));
    put("local/applications/firefox.desktop", entry("Name=Firefox\n"));
    put("system/applications/removed.desktop", entry("Name=Removed\n"));
    put("system/applications/kde/org.kde.konsole.desktop", entry("StartupWMClass=konsole\n"));
    put("system/applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Link\n");
    DesktopEntries entries;
    EXPECT_EQ(entries.find("", "firefox")->name, "My Firefox");
    EXPECT_EQ(entries.find("", "removed"), std::nullopt);
    EXPECT_EQ(entries.find("konsole", "konsole")->id, "kde-org.kde.konsole");
    EXPECT_EQ(entries.find("", "link"), std::nullopt);
}

TEST_F(DesktopEntriesTest, ReadsTheDesktopEntryGroupInTheLocaleAndSurvivesBadFiles) {
    const fs::path folder = root / "system/applications";
    put(folder / "editor.desktop",
        "[Desktop Entry]\r\nName=Editor\r\nName[de]=Bearbeiter\r\nIcon=editor\\sicon\r\nName[fr]=Éditeur\r\n"
        "[Desktop Action new]\r\nIcon=other\r\nStartupWMClass=editor-window\r\n");
    put(folder / "viewer.desktop", entry("Name=Viewer\nName[de]=Betrachter\nName[de_AT]=Anzeiger\n"));
    put(folder / "binary.desktop", std::string("\0\xff\xfe[Desktop\n=\n\n[", 16));
    put(folder / "broken.desktop", entry("no equals sign\n=orphan\nName=\xff\xfe\nIcon=trailing\\"));
    const std::string padding(DesktopEntries::maximumFileSize, 'x');
    put(folder / "huge.desktop", entry("Name=Huge\nX-Padding=" + padding + "\nIcon=late\n"));
    // The limit cuts the Icon line, which must not yield a shortened name.
    put(folder / "cut.desktop",
        entry("X-Padding=" + padding.substr(200) + "\nIcon=" + std::string(400, 'i') + "\n"));
    ASSERT_EQ(::mkfifo((folder / "pipe.desktop").c_str(), 0600), 0);
    fs::create_symlink(root / "nowhere", folder / "dangling.desktop");
    fs::create_directory_symlink(folder, folder / "loop");
    put(folder / "zz-last.desktop", entry("Name=Last\n"));

    DesktopEntries entries;
    EXPECT_EQ(entries.find("", "editor"), (DesktopEntry{"editor", "Bearbeiter", "editor icon"}));
    EXPECT_EQ(entries.find("", "editor-window"), std::nullopt);
    EXPECT_EQ(entries.find("", "viewer")->name, "Anzeiger");
    EXPECT_EQ(entries.find("", "binary"), std::nullopt);
    EXPECT_EQ(entries.find("", "broken"), (DesktopEntry{"broken", "\uFFFD\uFFFD", "trailing\\"}));
    EXPECT_EQ(entries.find("", "huge"), (DesktopEntry{"huge", "Huge", std::nullopt}));
    EXPECT_EQ(entries.find("", "cut"), (DesktopEntry{"cut", std::nullopt, std::nullopt}));
    EXPECT_EQ(entries.find("", "zz-last")->name, "Last");
}

TEST_F(DesktopEntriesTest, IndexFollowsFolderChangesButNotOnEveryLookup) {
    put("system/applications/kde/konsole.desktop", entry("Name=Konsole\n"));
    for (const char* folder : {"system/applications", "system/applications/kde"}) {
        fs::last_write_time(root / folder, fs::file_time_type::clock::now() - 1h);
    }
    DesktopEntries watching(0ms);
    DesktopEntries caching(1h);
    EXPECT_EQ(watching.find("", "kde-notes"), std::nullopt);
    EXPECT_EQ(caching.find("", "kde-notes"), std::nullopt);

    put("system/applications/kde/notes.desktop", entry("Name=Notes\n"));
    EXPECT_EQ(watching.find("", "kde-notes")->name, "Notes");
    EXPECT_EQ(caching.find("", "kde-notes"), std::nullopt);
    put("home/applications/org.example.Mail.desktop", entry("Name=Mail\n"));
    EXPECT_EQ(watching.find("", "org.example.mail")->name, "Mail");
}

} // namespace
} // namespace snipstack
