#include "app/system/SystemServices.h"

#include "app/system/LaunchAtLogin.h"
#include "app/system/PasteKeystroke.h"
#include "core/store/StoreFiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

namespace fs = std::filesystem;

// Puts XDG_CONFIG_HOME back for the tests that follow.
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
    // Desktop settings switch an entry off in place.
    std::ofstream(entry) << "[Desktop Entry]\nExec=x\nX-GNOME-Autostart-enabled=false\n";
    EXPECT_FALSE(services.launchAtLoginEnabled());

    ASSERT_TRUE(services.setLaunchAtLogin(false));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(services.setLaunchAtLogin(false));
    // Only the entry itself was in the folder, so nothing else (no temporary file) is left behind.
    EXPECT_TRUE(fs::is_empty(entry.parent_path()));

    std::ofstream(config.filePath("file").toStdString()) << "not a folder";
    qputenv("XDG_CONFIG_HOME", config.filePath("file").toUtf8());
    EXPECT_FALSE(services.setLaunchAtLogin(true));
}

TEST(SystemServicesTest, QuotesTheExecutableForTheExecKey) {
    EXPECT_EQ(desktopExecArgument("/usr/bin/snipstack"), "/usr/bin/snipstack");
    EXPECT_EQ(desktopExecArgument("/opt/My Apps/a$b\"c%d\\e"), R"("/opt/My Apps/a\\$b\\"c%%d\\\\e")");
}

TEST(SystemServicesTest, RecognisesTerminalEmulatorsByWindowClass) {
    for (const char* terminal :
         {"XTerm", "Gnome-terminal", "org.wezfurlong.wezterm", "St", "URxvt", "kitty"}) {
        EXPECT_TRUE(isTerminalWindowClass(terminal)) << terminal;
    }
    for (const char* other : {"Gedit", "stalonetray", "xterminal", ""}) {
        EXPECT_FALSE(isTerminalWindowClass(other)) << other;
    }
}

class FakeProcesses {
public:
    void add(int pid, const std::string& comm, std::string_view cmdline) {
        const fs::path process = root() / std::to_string(pid);
        fs::create_directory(process);
        std::ofstream(process / "comm") << comm << '\n';
        std::ofstream(process / "cmdline") << cmdline;
    }
    void remove(int pid) { fs::remove_all(root() / std::to_string(pid)); }
    fs::path root() const { return folder_.path().toStdString(); }

private:
    QTemporaryDir folder_;
};

TEST(SystemServicesTest, SeesScreenRecordersInTheProcessTable) {
    using namespace std::string_view_literals;
    FakeProcesses processes;
    processes.add(1, "systemd", "/sbin/init\0"sv);
    processes.add(2, "obsidian", "/opt/Obsidian/obsidian\0"sv);
    processes.add(3, "ffmpeg", "ffmpeg\0-f\0v4l2\0-i\0/dev/video0\0out.mkv\0"sv);
    fs::create_directory(processes.root() / "self");
    SystemServices services(processes.root());
    EXPECT_FALSE(services.isScreenBeingCaptured());

    processes.add(4, "ffmpeg", "ffmpeg\0-f\0x11grab\0-i\0:0.0\0out.mkv\0"sv);
    EXPECT_TRUE(services.isScreenBeingCaptured());
    processes.remove(4);
    // The kernel cuts command names to 15 characters.
    processes.add(5, "simplescreenrec", "/usr/bin/simplescreenrecorder\0"sv);
    EXPECT_TRUE(services.isScreenBeingCaptured());
    processes.remove(5);
    processes.add(6, "simplescreenrec", "/usr/bin/simplescreenrec-lookalike\0"sv);
    EXPECT_FALSE(services.isScreenBeingCaptured());
    for (const auto& [pid, recorder] : {std::pair{7, "obs"}, {8, "vokoscreenNG"}, {9, "obs-ffmpeg-mux"}}) {
        processes.add(pid, recorder, ""sv);
        EXPECT_TRUE(services.isScreenBeingCaptured()) << recorder;
        processes.remove(pid);
    }
}

constexpr const char* sentence = "The quick brown fox jumps over the lazy dog";

Bytes png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(bytes.begin(), bytes.end());
}

std::string lettersOnly(const std::string& text) {
    return QString::fromStdString(text).toLower().remove(QRegularExpression("[^a-z]")).toStdString();
}

TEST(SystemServicesTest, RecognisesTextWithWordBoxesAndTellsBlankImagesFromUndecodableBytes) {
    SystemServices services;
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    const QPoint origin(30, 80);
    // Transparent backgrounds are what many screenshot tools copy.
    for (const QColor background : {QColor(Qt::white), QColor(Qt::transparent)}) {
        QImage image(1200, 140, QImage::Format_ARGB32);
        image.fill(background);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(origin, sentence);
        painter.end();

        const auto recognized = services.recognizeText(png(image)).result();
        ASSERT_TRUE(recognized.has_value());
        EXPECT_EQ(lettersOnly(recognized->text), lettersOnly(sentence)) << recognized->text;
        const auto quick = std::find_if(recognized->words.begin(), recognized->words.end(),
                                        [](const RecognizedWord& word) { return word.text == "quick"; });
        ASSERT_NE(quick, recognized->words.end());
        const QRect expected = QFontMetrics(font).tightBoundingRect("quick").translated(
            origin + QPoint(QFontMetrics(font).horizontalAdvance("The "), 0));
        EXPECT_NEAR(quick->box.left(), expected.left(), 4);
        EXPECT_NEAR(quick->box.top(), expected.top(), 4);
        EXPECT_NEAR(quick->box.right(), expected.right(), 4);
        EXPECT_NEAR(quick->box.bottom(), expected.bottom(), 4);
    }

    QImage blank(800, 600, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const auto nothing = services.recognizeText(png(blank)).result();
    ASSERT_TRUE(nothing.has_value());
    EXPECT_EQ(nothing->text, "");
    EXPECT_TRUE(nothing->words.empty());

    EXPECT_EQ(services.recognizeText(bytesOf("\x89PNG but not really")).result(), std::nullopt);
}

} // namespace
} // namespace snipstack
