#include "app/system/SystemDesktop.h"

#include "app/system/WakeWatcher.h"

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
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
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
    SystemServices services;
    SystemDesktop desktop(services);

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

bool waitUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(5000);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

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

} // namespace
} // namespace snipstack
