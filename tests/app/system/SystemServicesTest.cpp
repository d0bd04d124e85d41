#include "app/system/SystemServices.h"

#include "app/system/LaunchAtLogin.h"
#include "app/system/PasteKeystroke.h"
#include "core/store/StoreFiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

namespace fs = std::filesystem;

struct RestoreConfigHome {
    QByteArray old = qgetenv("XDG_CONFIG_HOME");
    ~RestoreConfigHome() { old.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", old); }
};

TEST(SystemServicesTest, WritesAndRemovesTheAutostartEntryOfTheRunningExecutable) {
    QTemporaryDir config;
    const RestoreConfigHome restore;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    SystemServices services;
    const fs::path entry = fs::path(config.path().toStdString()) / "autostart/com.orvend.snipstack.desktop";
    EXPECT_FALSE(services.launchAtLoginEnabled());

    ASSERT_TRUE(services.setLaunchAtLogin(true));
    EXPECT_TRUE(services.launchAtLoginEnabled());
    EXPECT_EQ(std::string(viewOf(readFile(entry).value_or(Bytes()))),
              "[Desktop Entry]\nType=Application\nName=Snipstack\nExec=" +
                  desktopExecArgument(QCoreApplication::applicationFilePath().toStdString()) +
                  "\nX-GNOME-Autostart-enabled=true\n");
    // Desktop settings switch an entry off in place, in any of the format's spellings.
    for (const char* off : {"X-GNOME-Autostart-enabled=false\n", "Hidden = true\n", "Hidden=true\r\n",
                            "\tX-GNOME-Autostart-enabled =false\r\n"}) {
        std::ofstream(entry) << "[Desktop Entry]\r\nExec=x\r\n" << off << "[Other]\nHidden=false\n";
        EXPECT_FALSE(services.launchAtLoginEnabled()) << off;
    }
    for (const char* on : {"Hidden=false\n", "# Hidden=true\n", "Hidden=True\n", "[Other]\nHidden=true\n"}) {
        std::ofstream(entry) << "[Desktop Entry]\nExec=x\n" << on;
        EXPECT_TRUE(services.launchAtLoginEnabled()) << on;
    }

    ASSERT_TRUE(services.setLaunchAtLogin(false));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(services.setLaunchAtLogin(false));
    // No temporary file is left behind.
    EXPECT_TRUE(fs::is_empty(entry.parent_path()));

    EXPECT_EQ(desktopExecArgument("/usr/bin/snipstack"), "/usr/bin/snipstack");
    EXPECT_EQ(desktopExecArgument("/opt/My Apps/a$b\"c%d\\e"), R"("/opt/My Apps/a\\$b\\"c%%d\\\\e")");
    // Control characters never stand raw in a value.
    EXPECT_EQ(desktopExecArgument("/opt/a\tb\rc"), R"("/opt/a\tb\rc")");
}

TEST(SystemServicesTest, SeesScreenRecordersInTheProcessTable) {
    using namespace std::string_view_literals;
    const QTemporaryDir proc;
    const fs::path root = proc.path().toStdString();
    fs::create_directory(root / "self");
    const SystemServices services(root);
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
        EXPECT_EQ(services.isScreenBeingCaptured(), recording) << comm;
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

TEST(SystemServicesTest, RecognisesTextAndTellsBlankImagesFromUndecodableBytes) {
    SystemServices services;
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
        const auto recognized = services.recognizeText(png(image)).result();
        ASSERT_TRUE(recognized.has_value());
        EXPECT_EQ(lettersOnly(recognized->text), lettersOnly(text)) << recognized->text;
        EXPECT_EQ(recognized->text.empty(), *text == '\0');
        EXPECT_EQ(recognized->words.empty(), *text == '\0');
    }
    EXPECT_EQ(services.recognizeText(bytesOf("\x89PNG but not really")).result(), std::nullopt);
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
