#include "app/system/desktop/DesktopEntries.h"

#include "app/system/desktop/ReadDesktopFile.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace snipstack {
namespace {

namespace fs = std::filesystem;

// Sets a variable for one test; the other tests in the program see the real environment.
struct ScopedVariable {
    ScopedVariable(const char* name, const std::string& value) : name(name), old(qgetenv(name)) {
        qputenv(name, value.c_str());
    }
    ~ScopedVariable() { old.isNull() ? qunsetenv(name) : qputenv(name, old); }
    const char* name;
    QByteArray old;
};

TEST(DesktopEntriesTest, FindsByStartupWMClassThenFileNameSurvivesBadFilesAndNoticesNewEntries) {
    QTemporaryDir temporary;
    const fs::path root = temporary.path().toStdString();
    // Relative and empty entries are ignored.
    const ScopedVariable home{"XDG_DATA_HOME", root / "home"},
        dirs{"XDG_DATA_DIRS", "relative:" + (root / "local").string() + "::" + (root / "system").string()};
    const auto put = [&](const fs::path& relative, const std::string& content) {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << content;
    };
    const fs::path folder = root / "system/applications";
    const std::string entry = "# comment\n[Desktop Entry]\nType=Application\n";
    put(folder / "gimp.desktop", entry + "Name=Gimp by name\n");
    put(folder / "org.gimp.GIMP.desktop", entry + "Name=GIMP\nIcon=gimp\nStartupWMClass=Gimp\n");
    put(folder / "firefox.desktop", entry + "Name=Firefox\nIcon=firefox\n");
    put("local/applications/firefox.desktop", entry + "Name=Local Firefox\nIcon=local\n");
    put(folder / "kde/org.kde.konsole.desktop", entry + "StartupWMClass = konsole-window\n");
    put(folder / "binary.desktop", std::string("\0\xff\xfe[Desktop\n=\n\n[", 16));
    put(folder / "broken.desktop", entry + "no equals sign\n=orphan\nName=\xff\xfe\nIcon=trailing\\");
    const std::string padding(maximumDesktopFileSize, 'x');
    put(folder / "huge.desktop", entry + "Name=Huge\nX-Padding=" + padding + "\nIcon=late\n");
    // The limit cuts the Icon line, which must not yield a shortened name.
    put(folder / "cut.desktop",
        entry + "X-Padding=" + padding.substr(200) + "\nIcon=" + std::string(400, 'i') + "\n");
    ASSERT_EQ(::mkfifo((folder / "pipe.desktop").c_str(), 0600), 0);
    fs::create_directory_symlink(root / "local/applications", root / "local/applications/loop");
    put(folder / "zz-last.desktop", entry + "Name=Last\n");
    // Folders changed within the clock's resolution are read again on every lookup.
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        fs::last_write_time(item.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    }

    DesktopEntries entries(std::chrono::milliseconds(0)), caching(std::chrono::hours(1));
    EXPECT_EQ(entries.find("gimp", "Gimp"), (DesktopEntry{"org.gimp.GIMP", "GIMP", "gimp"}));
    EXPECT_EQ(entries.find("Navigator", "FIREFOX"), (DesktopEntry{"firefox", "Local Firefox", "local"}));
    EXPECT_EQ(entries.find("konsole-window", "Konsole")->id, "kde-org.kde.konsole");
    EXPECT_EQ(entries.find("unknown", "binary"), std::nullopt);
    EXPECT_EQ(entries.find("", "broken"), (DesktopEntry{"broken", "\uFFFD\uFFFD", "trailing\\"}));
    EXPECT_EQ(entries.find("", "huge"), (DesktopEntry{"huge", "Huge", std::nullopt}));
    EXPECT_EQ(entries.find("", "cut"), (DesktopEntry{"cut", std::nullopt, std::nullopt}));
    EXPECT_EQ(caching.find("", "zz-last")->name, "Last");

    put(folder / "kde/notes.desktop", entry + "Name=Notes\n");
    put("home/applications/org.example.Mail.desktop", entry + "Name=Mail\n");
    EXPECT_EQ(entries.find("", "kde-notes")->name, "Notes");
    EXPECT_EQ(entries.find("", "org.example.mail")->name, "Mail");
    EXPECT_EQ(caching.find("", "kde-notes"), std::nullopt);
}

} // namespace
} // namespace snipstack
