#include "app/system/desktop/SystemDesktop.h"

#include "app/system/desktop/LaunchAtLogin.h"
#include "app/system/desktop/PasteKeystroke.h"
#include "app/system/desktop/WakeWatcher.h"
#include "core/store/StoreFiles.h"
#include "tests/support/WaitUntil.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <utility>

namespace snipstack {
namespace {

// Sets a variable for one test; the other tests in the program see the real environment.
struct ScopedVariable {
    ScopedVariable(const char* name, const QString& value) : name(name), old(qgetenv(name)) {
        qputenv(name, value.toUtf8());
    }
    ~ScopedVariable() { old.isNull() ? qunsetenv(name) : qputenv(name, old); }
    const char* name;
    QByteArray old;
};

struct RestoreIconTheme {
    ~RestoreIconTheme() {
        QIcon::setThemeName(name);
        QIcon::setThemeSearchPaths(paths);
    }
    QString name = QIcon::themeName();
    QStringList paths = QIcon::themeSearchPaths();
};

void put(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
}

TEST(SystemDesktopTest, ApplicationIconsComeFromTheThemeOrAFileNamedByTheDesktopEntry) {
    QTemporaryDir temporary;
    const QString root = temporary.path();
    const ScopedVariable home{"XDG_DATA_HOME", root + "/home"}, dirs{"XDG_DATA_DIRS", root + "/system"};
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QDir().mkpath(root + "/icons/test/16x16/apps");
    ASSERT_TRUE(image.save(root + "/icons/test/16x16/apps/test-editor.png"));
    ASSERT_TRUE(image.save(root + "/picture.png"));
    put(root + "/icons/test/index.theme",
        "[Icon Theme]\nName=Test\nDirectories=16x16/apps\n[16x16/apps]\nSize=16\nType=Fixed\n");
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=App\n";
    put(root + "/home/applications/org.example.Editor.desktop", entry + "Icon=test-editor\n");
    put(root + "/home/applications/viewer.desktop", entry + "Icon=" + root.toUtf8() + "/picture.png\n");
    put(root + "/home/applications/gone.desktop", entry + "Icon=" + root.toUtf8() + "/gone.png\n");
    put(root + "/home/applications/unthemed.desktop", entry + "Icon=no-such-icon\n");

    // Icons load lazily, so the test theme stays until the pixmaps are drawn.
    const RestoreIconTheme restore;
    QIcon::setThemeSearchPaths({root + "/icons"});
    QIcon::setThemeName("test");
    DesktopEntries entries;
    SystemDesktop desktop(entries);

    const auto editor = desktop.applicationIcon("org.example.editor");
    ASSERT_TRUE(editor.has_value());
    EXPECT_EQ(editor->pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
    const auto viewer = desktop.applicationIcon("viewer");
    ASSERT_TRUE(viewer.has_value());
    EXPECT_FALSE(viewer->pixmap(16).isNull());
    for (const char* id : {"gone", "unthemed", "org.example.unknown"}) {
        EXPECT_EQ(desktop.applicationIcon(id), std::nullopt) << id;
    }
}

using snipstack::testing::waitUntil;

// Stands in for logind on a private bus.
TEST(WakeWatcherTest, RunsOnlyWhenLogindReportsAWake) {
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    QProcess daemon;
    daemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(daemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(daemon.readLine().trimmed());
    {
        QDBusConnection logind = QDBusConnection::connectToBus(address, "wake-test-logind");
        QDBusConnection watched = QDBusConnection::connectToBus(address, "wake-test-watcher");
        ASSERT_TRUE(logind.isConnected() && watched.isConnected());
        ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));

        int wakes = 0;
        const WakeWatcher watcher([&] { ++wakes; }, watched);
        // A round trip on the watcher's connection puts its match rule in place before logind speaks.
        ASSERT_TRUE(watched.interface()->isServiceRegistered("org.freedesktop.login1"));
        const auto prepareForSleep = [&](bool start) {
            QDBusMessage signal = QDBusMessage::createSignal(
                "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
            signal << start;
            ASSERT_TRUE(logind.send(signal));
        };
        prepareForSleep(true);
        prepareForSleep(false);
        prepareForSleep(true);
        EXPECT_TRUE(waitUntil([&] { return wakes > 0; }));
        // The last suspend notice has arrived once a later wake has.
        prepareForSleep(false);
        EXPECT_TRUE(waitUntil([&] { return wakes > 1; }));
        EXPECT_EQ(wakes, 2);
    }
    QDBusConnection::disconnectFromBus("wake-test-logind");
    QDBusConnection::disconnectFromBus("wake-test-watcher");
    daemon.kill();
    daemon.waitForFinished();
}

namespace fs = std::filesystem;

struct RestoreConfigHome {
    QByteArray old = qgetenv("XDG_CONFIG_HOME");
    ~RestoreConfigHome() { old.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", old); }
};

TEST(SystemDesktopTest, WritesAndRemovesTheAutostartEntryOfTheRunningExecutable) {
    QTemporaryDir config;
    const RestoreConfigHome restore;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    DesktopEntries entries;
    SystemDesktop desktop(entries);
    const fs::path entry = fs::path(config.path().toStdString()) / "autostart/com.orvend.snipstack.desktop";
    EXPECT_FALSE(desktop.launchAtLoginEnabled());

    ASSERT_TRUE(desktop.setLaunchAtLogin(true));
    EXPECT_TRUE(desktop.launchAtLoginEnabled());
    EXPECT_EQ(std::string(viewOf(readFile(entry).value_or(Bytes()))),
              "[Desktop Entry]\nType=Application\nName=Snipstack\nExec=" +
                  desktopExecArgument(QCoreApplication::applicationFilePath().toStdString()) +
                  "\nX-GNOME-Autostart-enabled=true\n");
    // Desktop settings switch an entry off in place, by either key; other groups do not count.
    for (const char* off : {"X-GNOME-Autostart-enabled=false\n", "Hidden = true\r\n"}) {
        std::ofstream(entry) << "[Desktop Entry]\r\nExec=x\r\n" << off << "[Other]\nHidden=false\n";
        EXPECT_FALSE(desktop.launchAtLoginEnabled()) << off;
    }
    std::ofstream(entry) << "[Desktop Entry]\nExec=x\n[Other]\nHidden=true\n";
    EXPECT_TRUE(desktop.launchAtLoginEnabled());

    ASSERT_TRUE(desktop.setLaunchAtLogin(false));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(desktop.setLaunchAtLogin(false));
    // No temporary file is left behind.
    EXPECT_TRUE(fs::is_empty(entry.parent_path()));

    EXPECT_EQ(desktopExecArgument("/usr/bin/snipstack"), "/usr/bin/snipstack");
    EXPECT_EQ(desktopExecArgument("/opt/My Apps/a$b\"c%d\\e"), R"("/opt/My Apps/a\\$b\\"c%%d\\\\e")");
    // Control characters never stand raw in a value.
    EXPECT_EQ(desktopExecArgument("/opt/a\tb\rc"), R"("/opt/a\tb\rc")");
}

TEST(SystemDesktopTest, SeesScreenRecordersInTheProcessTable) {
    using namespace std::string_view_literals;
    const QTemporaryDir proc;
    const fs::path root = proc.path().toStdString();
    fs::create_directory(root / "self");
    DesktopEntries entries;
    SystemDesktop desktop(entries, root);
    // One process at a time; the kernel cuts command names to 15 characters.
    for (const auto& [comm, cmdline, recording] :
         {std::tuple{"obsidian", "/opt/Obsidian/obsidian\0"sv, false},
          {"ffmpeg", "ffmpeg\0-f\0v4l2\0-i\0/dev/video0\0out.mkv\0"sv, false},
          {"ffmpeg", "ffmpeg\0-f\0x11grab\0-i\0:0.0\0out.mkv\0"sv, true},
          {"simplescreenrec", "/usr/bin/simplescreenrecorder\0"sv, true},
          {"simplescreenrec", "/usr/bin/simplescreenrec-lookalike\0"sv, false},
          {"obs", ""sv, true},
          {"vokoscreenNG", ""sv, true}}) {
        fs::create_directory(root / "2");
        std::ofstream(root / "2" / "comm") << comm << '\n';
        std::ofstream(root / "2" / "cmdline") << cmdline;
        EXPECT_EQ(desktop.isScreenBeingCaptured(), recording) << comm;
        fs::remove_all(root / "2");
    }
}

constexpr const char* sentence = "The quick brown fox jumps over the lazy dog";

Bytes png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return Bytes(bytes.begin(), bytes.end());
}

std::string lettersOnly(const std::string& text) {
    return QString::fromStdString(text).toLower().remove(QRegularExpression("[^a-z]")).toStdString();
}

TEST(SystemDesktopTest, RecognisesTextAndTellsBlankImagesFromUndecodableBytes) {
    DesktopEntries entries;
    SystemDesktop desktop(entries);
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    // Transparent backgrounds are what many screenshot tools copy.
    for (const auto& [text, background] : {std::pair{sentence, QColor(Qt::white)},
                                           {sentence, QColor(Qt::transparent)},
                                           {"", QColor(Qt::white)}}) {
        QImage image(1200, 140, QImage::Format_ARGB32);
        image.fill(background);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(30, 80, text);
        painter.end();
        const auto recognized = desktop.recognizeText(png(image)).result();
        ASSERT_TRUE(recognized.has_value());
        EXPECT_EQ(lettersOnly(recognized->text), lettersOnly(text)) << recognized->text;
        EXPECT_EQ(recognized->text.empty(), *text == '\0');
        EXPECT_EQ(recognized->words.empty(), *text == '\0');
    }
    EXPECT_EQ(desktop.recognizeText(bytesOf("\x89PNG but not really")).result(), std::nullopt);
}

TEST(PasteKeystroke, TerminalsAreRecognisedByWindowClassWhateverItsSpelling) {
    for (const char* terminal : {"XTerm", "Gnome-terminal", "org.wezfurlong.wezterm", "kitty", "St"}) {
        EXPECT_TRUE(isTerminalWindowClass(terminal)) << terminal;
    }
    for (const char* other : {"stalonetray", "firefox", ""}) {
        EXPECT_FALSE(isTerminalWindowClass(other)) << other;
    }
}

} // namespace
} // namespace snipstack
