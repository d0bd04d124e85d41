#include "app/system/clipboard/PasteboardMonitor.h"

#include "app/system/images/ImageThumbnail.h"
#include "core/model/ContentHash.h"
#include "tests/support/FakeWorkspace.h"
#include "tests/support/MemoryPasteboard.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <QtEndian>
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
    const int dataReads = board.reads().data;
    copy({rep(type::plainText, "yz"), rep(type::html, big), rep(type::rtf, "r")}, "yz");
    EXPECT_EQ(board.reads().data - dataReads, 2);
    EXPECT_EQ(drafts.size(), 6u);
}

// A 1×1 PNG whose IHDR chunk, CRC included, declares another size.
Bytes pngDeclaring(quint32 width, quint32 height) {
    Bytes png = encoded(1, 1, "png");
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    quint32 crc = ~0u;
    for (std::size_t i = 12; i < 29; ++i) {
        crc ^= png[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    qToBigEndian(~crc, png.data() + 29);
    return png;
}

TEST_F(PasteboardMonitorTest, ImagesPreferPNGKeepTheSourceSizeAndRefuseDecompressionBombs) {
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
    EXPECT_EQ(draft.sourceAppName, "Editor");

    // Refused from the header alone, before anything is decoded.
    EXPECT_EQ(pngDeclaring(1, 1), encoded(1, 1, "png"));
    copy({{"public.png", pngDeclaring(100'000, 100'000)}});
    EXPECT_EQ(drafts.size(), 1u);
}

TEST_F(PasteboardMonitorTest, OnlyNewContentIsCapturedAndOnlyALonePNGCopiedAfterLaunchIsAScreenshot) {
    const Bytes png = encoded(8, 8, "png");
    copy({{"public.png", png}});
    copy({{"public.png", png}});
    EXPECT_FALSE(monitor.lastCaptureWasNewScreenshot());
    copy({{"public.png", png}, rep(type::html, "<img>")});
    copy({{"public.png", bytesOf("broken")}});
    EXPECT_EQ(screenshots, (std::vector{false, true, false}));

    const MemoryPasteboard::ReadCounts reads = board.reads();
    pollNow();
    EXPECT_EQ(board.reads(), reads);
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

// Content whose every read waits until the test lets it go, as a slow owner's would.
class HeldPasteboard : public MemoryPasteboard {
public:
    std::unique_ptr<PasteboardContent> read() override {
        struct Held : PasteboardContent {
            Held(std::unique_ptr<PasteboardContent> inner, std::shared_future<void> released,
                 std::atomic<int>& waiting)
                : inner(std::move(inner)), released(std::move(released)), waiting(waiting) {}
            std::vector<std::string> types() override { return inner->types(); }
            std::optional<std::vector<std::string>> firstItemTypes() override {
                ++waiting;
                return released.wait(), inner->firstItemTypes();
            }
            std::optional<Bytes> data(std::string_view type) override { return inner->data(type); }
            std::optional<std::string> plainText() override { return inner->plainText(); }
            std::vector<std::string> fileURLs() override { return inner->fileURLs(); }
            std::optional<Bytes> imageAsTIFF() override { return inner->imageAsTIFF(); }
            std::unique_ptr<PasteboardContent> inner;
            std::shared_future<void> released;
            std::atomic<int>& waiting;
        };
        return std::make_unique<Held>(MemoryPasteboard::read(), released, waiting);
    }
    // Readings that have asked the owner something.
    std::atomic<int> waiting = 0;
    void hold() {
        gate = std::promise<void>();
        released = gate.get_future().share();
    }
    void release() { gate.set_value(); }

private:
    std::promise<void> gate;
    std::shared_future<void> released = gate.get_future().share();
};

TEST(PasteboardMonitorReadingTest, ReadsOffTheMainThreadInOrderAndSkipsWhatWasReplacedBeforeItsTurn) {
    HeldPasteboard board;
    FakeWorkspace workspace;
    std::vector<std::string> texts;
    {
        PasteboardMonitor monitor(board, workspace);
        monitor.onCapture = [&](const ClipDraft& draft) { texts.push_back(draft.text); };
        const auto waitUntilAsking = [&](int readings) {
            for (int i = 0; i < 5000 && board.waiting < readings; ++i)
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
        board.release();
        ASSERT_TRUE(monitor.waitForCaptures());
        // "first" was being read when the others came; "second" was replaced before its turn.
        EXPECT_EQ(texts, (std::vector<std::string>{"first", "third"}));
        // A write of ours supersedes a change still waiting to be read.
        board.hold();
        monitor.poll();
        waitUntilAsking(3);
        board.setContent({{rep(type::plainText, "replaced by ours")}});
        monitor.poll();
        monitor.write({{rep(type::plainText, "ours")}}, ClipKind::text);
        board.release();
        ASSERT_TRUE(monitor.waitForCaptures());
        EXPECT_EQ(texts, (std::vector<std::string>{"first", "third", "fourth"}));
        // Drafts also arrive by themselves from the event loop.
        board.setContent({{rep(type::plainText, "fifth")}});
        monitor.poll();
        QEventLoop loop;
        QTimer::singleShot(std::chrono::seconds(5), &loop, &QEventLoop::quit);
        monitor.onCapture = [&](const ClipDraft& draft) {
            texts.push_back(draft.text);
            loop.quit();
        };
        loop.exec();
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"first", "third", "fourth", "fifth"}));
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
