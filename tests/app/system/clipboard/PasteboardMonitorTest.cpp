#include "app/system/clipboard/PasteboardMonitor.h"

#include "app/system/images/ImageThumbnail.h"
#include "core/model/ContentHash.h"
#include "tests/support/FakeWorkspace.h"
#include "tests/support/MemoryPasteboard.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace snipstack;

namespace {

namespace type = PasteboardType;

using snipstack::testing::FakeWorkspace;

Bytes encoded(int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    EXPECT_TRUE(image.save(&buffer, format));
    return Bytes(bytes.begin(), bytes.end());
}

ClipRepresentation rep(std::string_view type, std::string_view bytes) {
    return {std::string(type), bytesOf(bytes)};
}

class PasteboardMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        monitor.onCapture = [this](const ClipDraft& draft) {
            drafts.push_back(draft);
            screenshots.push_back(monitor.lastCaptureWasNewScreenshot());
        };
    }

    // Another program copies; then the monitor polls and its reading finishes.
    void copy(std::vector<ClipRepresentation> representations, std::optional<std::string> text = {},
              std::vector<std::string> fileURLs = {}) {
        board.setContent({std::move(representations), std::move(text), std::move(fileURLs)});
        pollNow();
    }

    void pollNow() {
        monitor.poll();
        ASSERT_TRUE(monitor.waitForCaptures());
    }

    MemoryPasteboard board;
    FakeWorkspace workspace;
    PasteboardMonitor monitor{board, workspace};
    std::vector<ClipDraft> drafts;
    std::vector<bool> screenshots;
};

TEST_F(PasteboardMonitorTest, CapturesTextAndFilesUnlessMarkedConfidentialOrTooLarge) {
    for (std::string_view marker : PasteboardMonitor::confidentialMarkerTypes) {
        copy({rep(type::plainText, "hunter2"), rep(marker, "")}, "hunter2");
    }
    EXPECT_TRUE(drafts.empty());
    monitor.skipConfidential = [] { return false; };
    copy({rep(type::plainText, "hunter2"), rep(type::transient, "")}, "hunter2");
    copy({rep(type::rtf, "{\\rtf1 Hi}")}, "Hi");
    copy({rep(type::plainText, " ")}, " ");
    copy({rep(type::plainText, "bad \xC3")});
    copy({rep(type::plainText, "a string")}, "a string",
         {"file:///home/ana/a.txt", "https://example.com/x", "file:///home/ana/b%20c.png", "file:rel",
          "file://[bad/x", "file:///%E2%82%AC%FF"});
    ASSERT_EQ(drafts.size(), 5u);
    EXPECT_EQ(drafts[1].payload.representations,
              (std::vector{rep(type::rtf, "{\\rtf1 Hi}"), rep(type::plainText, "Hi")}));
    EXPECT_EQ(drafts[2].text, " ");
    EXPECT_EQ(drafts[3].text, "bad \uFFFD");
    EXPECT_EQ(drafts[4].kind, ClipKind::file);
    EXPECT_EQ(drafts[4].text, "/home/ana/a.txt\n/home/ana/b c.png\n/€\uFFFD");
    EXPECT_EQ(drafts[4].payload.representations,
              (std::vector{rep(type::fileURL, "file:///home/ana/a.txt"),
                           rep(type::fileURL, "file:///home/ana/b%20c.png"),
                           rep(type::fileURL, "file:///%E2%82%AC%FF")}));
    EXPECT_EQ(drafts[4].sourceBundleID, "org.example.Editor");

    // The limit covers the whole item; past it, the remaining types are not read.
    const std::string big(PasteboardMonitor::maxCaptureBytes - 1, 'x');
    copy({rep(type::plainText, "y"), rep(type::html, big)}, "y");
    const int dataReads = board.dataReads;
    copy({rep(type::plainText, "yz"), rep(type::html, big), rep(type::rtf, "r")}, "yz");
    EXPECT_EQ(board.dataReads - dataReads, 2);
    EXPECT_EQ(drafts.size(), 6u);
}

TEST_F(PasteboardMonitorTest, ImagesPreferPNGAndKeepTheSourceSize) {
    const Bytes png = encoded(4000, 3000, "png");
    const Bytes tiff = encoded(4, 3, "tiff");
    // An empty string is no text.
    copy({{"public.tiff", tiff}, rep(type::html, "<img>"), {"public.png", png}}, "");
    ASSERT_EQ(drafts.size(), 1u);
    const ClipDraft& draft = drafts[0];
    EXPECT_EQ(draft.kind, ClipKind::image);
    EXPECT_EQ(draft.payload.representations,
              (std::vector<ClipRepresentation>{
                  {"public.png", png}, {"public.tiff", tiff}, rep(type::html, "<img>")}));
    EXPECT_EQ(draft.contentHash, contentHash(png));
    EXPECT_EQ(QImage::fromData(draft.thumbnail->data(), int(draft.thumbnail->size())).size(),
              QSize(840, 630));
    EXPECT_EQ(draft.imageWidth, 4000);
    EXPECT_EQ(draft.imageHeight, 3000);
}

TEST_F(PasteboardMonitorTest, OnlyNewContentIsCapturedAndOnlyALonePNGCopiedAfterLaunchIsAScreenshot) {
    const Bytes png = encoded(8, 8, "png");
    copy({{"public.png", png}});
    copy({{"public.png", png}});
    EXPECT_FALSE(monitor.lastCaptureWasNewScreenshot());
    copy({{"public.png", png}, rep(type::html, "<img>")});
    copy({{"public.png", bytesOf("broken")}});
    EXPECT_EQ(screenshots, (std::vector{false, true, false}));

    const int snapshots = board.snapshots;
    pollNow();
    EXPECT_EQ(board.snapshots, snapshots);
    // Markers are read, never written back: the next reader would take a secret for one again.
    monitor.write({{rep(type::html, "<b>two</b>"), rep(type::concealed, "secret"),
                    rep(type::plainText, "two"), rep(type::transient, "")}},
                  ClipKind::text);
    EXPECT_EQ(board.content().representations,
              (std::vector{rep(type::html, "<b>two</b>"), rep(type::plainText, "two")}));
    monitor.write({{rep(type::fileURL, "file:///tmp/a%20b"), rep(type::fileURL, "not a url"),
                    rep(type::fileURL, "https://example.com/")}},
                  ClipKind::file);
    EXPECT_EQ(board.content().fileURLs,
              (std::vector<std::string>{"file:///tmp/a%20b", "https://example.com/"}));
    pollNow();
    EXPECT_EQ(drafts.size(), 3u);
}

TEST(PasteboardMonitorReadingTest, ReadsOffTheMainThreadInOrderAndSkipsWhatWasReplacedBeforeItsTurn) {
    MemoryPasteboard board;
    FakeWorkspace workspace;
    std::promise<void> gate;
    std::atomic<int> waiting = 0;
    // Readings from now on ask the owner and wait, as on a slow owner, until the gate opens.
    const auto hold = [&] {
        gate = std::promise<void>();
        board.beforeRead = [&waiting, released = gate.get_future().share()] {
            ++waiting;
            released.wait();
        };
    };
    hold();
    std::vector<std::string> texts;
    {
        PasteboardMonitor monitor(board, workspace);
        monitor.onCapture = [&](const ClipDraft& draft) { texts.push_back(draft.text); };
        const auto waitUntilAsking = [&](int readings) {
            for (int i = 0; i < 5000 && waiting < readings; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        for (std::string text : {"first", "second", "third"}) {
            board.setContent({{rep(type::plainText, text)}});
            // Returns while the owner has not answered.
            monitor.poll();
            waitUntilAsking(1);
        }
        board.setContent({{rep(type::plainText, "fourth")}});
        EXPECT_FALSE(monitor.waitForCaptures(std::chrono::milliseconds(50)));
        EXPECT_TRUE(texts.empty());
        gate.set_value();
        ASSERT_TRUE(monitor.waitForCaptures());
        // "first" was being read when the others came; "second" was replaced before its turn.
        EXPECT_EQ(texts, (std::vector<std::string>{"first", "third"}));
        // A write of ours supersedes a change still waiting to be read.
        hold();
        monitor.poll();
        waitUntilAsking(3);
        board.setContent({{rep(type::plainText, "replaced by ours")}});
        monitor.poll();
        monitor.write({{rep(type::plainText, "ours")}}, ClipKind::text);
        gate.set_value();
        ASSERT_TRUE(monitor.waitForCaptures());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"first", "third", "fourth"}));
}

TEST_F(PasteboardMonitorTest, ChangeNoticesAreCoalescedAndBeatThePollingTimerOnceStarted) {
    const auto runFor = [](int milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    };
    board.setContent({{rep(type::plainText, "before start")}, "before start"});
    runFor(30);
    EXPECT_TRUE(drafts.empty());
    monitor.start(PasteboardMonitor::idlePollInterval);
    for (std::string text : {"a", "ab", "abc"}) {
        board.setContent({{rep(type::plainText, text)}, text});
    }
    // Before the first poll is due (400 ms), with room for a slow sanitizer build to read the change.
    runFor(300);
    ASSERT_EQ(drafts.size(), 1u);
    EXPECT_EQ(drafts[0].text, "abc");
}

} // namespace
