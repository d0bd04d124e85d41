#include "app/system/clipboard/PasteboardMonitor.h"
#include "app/system/clipboard/SystemPasteboard.h"
#include "app/system/clipboard/X11SelectionReader.h"
#include "tests/support/FakeWorkspace.h"
#include "tests/support/WaitUntil.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace snipstack {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

using snipstack::testing::runEventsFor;
using snipstack::testing::waitUntil;

class SystemPasteboardTest : public ::testing::Test {
protected:
    SystemPasteboardTest() {
        pasteboard.onChange = [this] { ++changes; };
    }

    ~SystemPasteboardTest() override {
        for (auto& owner : owners) {
            owner->kill();
            owner->waitForFinished();
        }
        // Lets Qt report that the owner went away here rather than in the next test.
        waitUntil([] { return !X11SelectionReader().hasOwner(); });
        runEventsFor(50ms);
    }

    // Starts another program that copies, and waits until the pasteboard has seen the change.
    bool copyWith(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
        const auto before = pasteboard.changeCount();
        QProcess& owner = *owners.emplace_back(std::make_unique<QProcess>());
        owner.start(program, arguments);
        owner.write(input);
        owner.closeWriteChannel();
        return waitUntil([&] { return pasteboard.changeCount() > before; }, 10s);
    }

    bool xclipIn(const QString& target, const QByteArray& bytes) {
        return copyWith("xclip", {"-quiet", "-selection", "clipboard", "-target", target}, bytes);
    }

    bool serve(const QStringList& typesAndTexts) {
        return copyWith(QCoreApplication::applicationFilePath(),
                        QStringList{"--serve-clipboard"} + typesAndTexts);
    }

    // What another program reads for `target`; the event loop runs meanwhile, as we may be the owner.
    static QByteArray xclipOut(const QString& target) {
        QProcess reader;
        reader.start("xclip", {"-o", "-selection", "clipboard", "-target", target});
        waitUntil([&] { return reader.state() == QProcess::NotRunning; });
        return reader.readAllStandardOutput();
    }

    SystemPasteboard pasteboard;
    int changes = 0;
    std::vector<std::unique_ptr<QProcess>> owners;
};

TEST_F(SystemPasteboardTest, ReadsTextAsUTF8AndListsTypesInTheOwnersOrderWithAPasswordManagersSecret) {
    const QByteArray text = "Grüße, 世界 — ✓\n";
    ASSERT_TRUE(xclipIn("UTF8_STRING", text));
    runEventsFor(100ms);
    EXPECT_EQ(changes, 1);
    EXPECT_THAT(pasteboard.read()->types(), ElementsAre(PasteboardType::plainText));
    EXPECT_EQ(pasteboard.read()->plainText(), text.toStdString());
    // Old programs offer only STRING, which X defines as Latin-1.
    ASSERT_TRUE(xclipIn("STRING", "\374ber"));
    EXPECT_EQ(pasteboard.read()->plainText(), "über");

    ASSERT_TRUE(
        serve({"text/html", "<b>Grüße</b>", "text/plain", "Grüße", "application/x-snipstack-test", "c"}));
    EXPECT_THAT(pasteboard.read()->types(),
                ElementsAre(PasteboardType::html, PasteboardType::plainText, "application/x-snipstack-test"));
    EXPECT_EQ(pasteboard.read()->data(PasteboardType::html), bytesOf("<b>Grüße</b>"));
    EXPECT_EQ(pasteboard.read()->plainText(), "Grüße");

    ASSERT_TRUE(serve({"text/plain", "hunter2", "x-kde-passwordManagerHint", "secret"}));
    EXPECT_THAT(pasteboard.read()->types(),
                ElementsAre(PasteboardType::plainText, PasteboardType::concealed));
    ASSERT_TRUE(serve({"text/plain", "hunter2", "x-kde-passwordManagerHint", "nothing"}));
    EXPECT_THAT(pasteboard.read()->types(), ElementsAre(PasteboardType::plainText));
}

TEST_F(SystemPasteboardTest, ReadsImagesFileListsAndLargeDataInPieces) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    ASSERT_TRUE(xclipIn("image/png", png));
    EXPECT_THAT(pasteboard.read()->types(), ElementsAre(PasteboardType::png));
    EXPECT_EQ(pasteboard.read()->data(PasteboardType::png), bytesOf(png.toStdString()));
    const auto tiff = pasteboard.read()->imageAsTIFF();
    ASSERT_TRUE(tiff);
    EXPECT_EQ(QImage::fromData(tiff->data(), int(tiff->size()), "TIFF").size(), image.size());

    ASSERT_TRUE(xclipIn("text/uri-list", "# copied\r\nfile:///tmp/a.txt\r\nhttps://example.org/\r\n"
                                         "file:///tmp/with%20space.txt\r\nfile:///tmp/%C3%BCber.txt\r\n"));
    EXPECT_THAT(
        pasteboard.read()->fileURLs(),
        ElementsAre("file:///tmp/a.txt", "file:///tmp/with%20space.txt", "file:///tmp/%C3%BCber.txt"));
    EXPECT_THAT(pasteboard.read()->types(), ElementsAre(PasteboardType::fileURL));
    ASSERT_TRUE(xclipIn("text/uri-list", "https://example.org/\r\n"));
    EXPECT_THAT(pasteboard.read()->types(), ElementsAre("text/uri-list"));

    QByteArray large(6 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(large.data()), large.size() / 4);
    ASSERT_TRUE(xclipIn("application/octet-stream", large));
    EXPECT_EQ(pasteboard.read()->data("application/octet-stream"), bytesOf(large.toStdString()));
}

TEST_F(SystemPasteboardTest, KeepsNoMoreOfARunawayTransferThanShowsItTooLarge) {
    const QByteArray huge(int(X11SelectionReader::maxValueBytes) + 4096, 'x');
    ASSERT_TRUE(xclipIn("application/octet-stream", huge));
    const auto data = pasteboard.read()->data("application/octet-stream");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->size(), X11SelectionReader::maxValueBytes + 1);
}

TEST_F(SystemPasteboardTest, OffersWritesToOtherProgramsUnderMimeTypes) {
    pasteboard.clearContents();
    pasteboard.writeItem({{std::string(PasteboardType::plainText), bytesOf("Grüße")},
                          {std::string(PasteboardType::html), bytesOf("<i>Grüße</i>")},
                          {std::string(PasteboardType::rtf), bytesOf("{\\rtf1 G}")},
                          {"application/x-snipstack-test", bytesOf("custom")}});
    // Delivered later, so that a writer notes the new count before a watcher looks.
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(pasteboard.read()->data(PasteboardType::html), bytesOf("<i>Grüße</i>"));
    EXPECT_THAT(xclipOut("TARGETS").split('\n'),
                ::testing::IsSupersetOf({"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "text/html",
                                         "text/rtf", "application/x-snipstack-test"}));
    EXPECT_EQ(xclipOut("UTF8_STRING"), "Grüße");
    EXPECT_EQ(xclipOut("text/html"), "<i>Grüße</i>");
    EXPECT_EQ(changes, 2);

    pasteboard.writeFileURLs({"file:///tmp/a.txt", "file:///tmp/b%20c.txt"});
    EXPECT_EQ(xclipOut("text/uri-list"), "file:///tmp/a.txt\r\nfile:///tmp/b%20c.txt\r\n");
    pasteboard.clearContents();
    EXPECT_TRUE(waitUntil([] { return !X11SelectionReader().hasOwner(); }));
}

TEST_F(SystemPasteboardTest, BoundsReadsFromAnOwnerThatStopsAnswering) {
    for (const bool listedFirst : {true, false}) {
        ASSERT_TRUE(serve({"text/plain", "hunter2", "image/png", "not really"}));
        const auto content = pasteboard.read();
        if (listedFirst) {
            EXPECT_THAT(content->types(), ElementsAre(PasteboardType::plainText, PasteboardType::png));
        }
        ::kill(pid_t(owners.back()->processId()), SIGSTOP);
        QElapsedTimer timer;
        timer.start();
        // One read times out; nothing more is asked of that owner for this change.
        EXPECT_EQ(content->plainText(), std::nullopt);
        EXPECT_EQ(content->data(PasteboardType::png), std::nullopt);
        EXPECT_EQ(content->imageAsTIFF(), std::nullopt);
        EXPECT_EQ(content->types().size(), listedFirst ? 2u : 0u);
        EXPECT_LT(timer.elapsed(), 1500);
    }
}

TEST_F(SystemPasteboardTest, ImagesCopiedByQtAndGtkProgramsAreCapturedInOneFormat) {
    testing::FakeWorkspace workspace;
    PasteboardMonitor monitor(pasteboard, workspace);
    std::vector<ClipDraft> drafts;
    monitor.onCapture = [&](const ClipDraft& draft) { drafts.push_back(draft); };
    const QString gtkCopy = QStringLiteral(SNIPSTACK_TEST_DATA "/gtk_copy_image.py");
    // Qt offers 16 image formats, GTK BMP under three names besides PNG; a 4K image in all of them
    // is far beyond the capture limit.
    const std::vector<std::tuple<QString, QStringList, int, int>> copies = {
        {QCoreApplication::applicationFilePath(), {"--serve-image", "2560", "1440"}, 2560, 1440},
        {"/usr/bin/python3", {gtkCopy, "3840", "2160"}, 3840, 2160},
    };
    for (const auto& [program, arguments, width, height] : copies) {
        ASSERT_TRUE(copyWith(program, arguments)) << arguments.join(' ').toStdString();
        drafts.clear();
        monitor.poll();
        ASSERT_TRUE(monitor.waitForCaptures());
        ASSERT_EQ(drafts.size(), 1u) << arguments.join(' ').toStdString();
        EXPECT_EQ(drafts[0].kind, ClipKind::image);
        ASSERT_EQ(drafts[0].payload.representations.size(), 1u);
        EXPECT_EQ(drafts[0].payload.representations[0].type, PasteboardType::png);
        EXPECT_EQ(drafts[0].imageWidth, width);
        EXPECT_EQ(drafts[0].imageHeight, height);
    }
}

} // namespace
} // namespace snipstack
