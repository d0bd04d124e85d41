#include "app/system/PasteboardMonitor.h"

#include "app/system/ImageThumbnail.h"
#include "app/system/MemoryPasteboard.h"
#include "core/model/ContentHash.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QImageWriter>
#include <QTimer>
#include <gtest/gtest.h>

using namespace snipstack;

namespace {

class FakeWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override {
        RunningApplication application;
        application.localizedName = "Editor";
        application.bundleIdentifier = "org.example.Editor";
        return application;
    }
    bool activate(const RunningApplication&) override { return false; }
};

Bytes encode(const QImage& image, const char* format,
             QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(transformation);
    EXPECT_TRUE(writer.write(image));
    return Bytes(bytes.begin(), bytes.end());
}

QImage filled(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

QSize decodedSize(const Bytes& png) {
    return QImage::fromData(png.data(), int(png.size()), "PNG").size();
}

ClipRepresentation rep(std::string_view type, std::string_view bytes) {
    return {std::string(type), bytesOf(bytes)};
}

class PasteboardMonitorTest : public ::testing::Test {
protected:
    MemoryPasteboard board;
    FakeWorkspace workspace;
    PasteboardMonitor monitor{board, workspace};
    std::vector<ClipDraft> drafts;
    std::vector<bool> screenshots;

    void put(std::vector<ClipRepresentation> representations, std::optional<std::string> text = {},
             std::vector<std::string> fileURLs = {}) {
        MemoryPasteboard::Content content;
        content.representations = std::move(representations);
        content.plainText = std::move(text);
        content.fileURLs = std::move(fileURLs);
        board.setContent(std::move(content));
    }

    void SetUp() override {
        monitor.onCapture = [this](const ClipDraft& draft) {
            drafts.push_back(draft);
            screenshots.push_back(monitor.lastCaptureWasNewScreenshot());
        };
    }
};

TEST_F(PasteboardMonitorTest, MarkersSuppressCaptureOnlyWhileSkippingIsAsked) {
    for (std::string_view marker : PasteboardMonitor::confidentialMarkerTypes) {
        put({rep(PasteboardType::plainText, "hunter2"), rep(marker, "")}, "hunter2");
        monitor.poll();
    }
    EXPECT_TRUE(drafts.empty());
    monitor.skipConfidential = [] { return false; };
    put({rep(PasteboardType::plainText, "hunter2"), rep(PasteboardType::transient, "")}, "hunter2");
    monitor.poll();
    ASSERT_EQ(drafts.size(), 1u);
    EXPECT_EQ(drafts[0].text, "hunter2");
}

TEST_F(PasteboardMonitorTest, FileURLsBecomeAFileDraftOfTheirPaths) {
    put({rep(PasteboardType::plainText, "a string")}, "a string",
        {"file:///home/ana/a.txt", "https://example.com/x", "file:///home/ana/b%20c.png", "file:rel",
         "file://[bad/x", "file:///%E2%82%AC%FF"});
    monitor.poll();
    ASSERT_EQ(drafts.size(), 1u);
    const ClipDraft& draft = drafts[0];
    EXPECT_EQ(draft.kind, ClipKind::file);
    EXPECT_EQ(draft.text, "/home/ana/a.txt\n/home/ana/b c.png\n/€\uFFFD");
    EXPECT_EQ(draft.contentHash, contentHash(draft.text));
    EXPECT_EQ(draft.payload.representations,
              (std::vector{rep(PasteboardType::fileURL, "file:///home/ana/a.txt"),
                           rep(PasteboardType::fileURL, "file:///home/ana/b%20c.png"),
                           rep(PasteboardType::fileURL, "file:///%E2%82%AC%FF")}));
    EXPECT_EQ(draft.sourceBundleID, "org.example.Editor");
}

TEST_F(PasteboardMonitorTest, TextIsTakenWholeAndAlwaysCarriesPlainText) {
    put({rep(PasteboardType::rtf, "{\\rtf1 Hi}")}, "Hi");
    monitor.poll();
    put({rep(PasteboardType::plainText, " ")}, " ");
    monitor.poll();
    put({rep(PasteboardType::plainText, "bad \xC3")});
    monitor.poll();
    ASSERT_EQ(drafts.size(), 3u);
    EXPECT_EQ(drafts[0].payload.representations,
              (std::vector{rep(PasteboardType::rtf, "{\\rtf1 Hi}"), rep(PasteboardType::plainText, "Hi")}));
    EXPECT_EQ(drafts[1].text, " ");
    EXPECT_EQ(drafts[2].text, "bad \uFFFD");
    EXPECT_EQ(PasteboardMonitor::plainText(
                  {{rep(PasteboardType::html, "x"), rep(PasteboardType::plainText, "\xFF")}}),
              "\uFFFD");
    EXPECT_EQ(PasteboardMonitor::plainText(PasteboardMonitor::plainTextPayload("é")), "é");
}

TEST_F(PasteboardMonitorTest, SizeLimitCoversTheWholeItemAndStopsReading) {
    const std::string big(PasteboardMonitor::maxCaptureBytes - 1, 'x');
    put({rep(PasteboardType::plainText, "y"), rep(PasteboardType::html, big)}, "y");
    monitor.poll();
    EXPECT_EQ(drafts.size(), 1u);
    put({rep(PasteboardType::plainText, "yz"), rep(PasteboardType::html, big), rep(PasteboardType::rtf, "r")},
        "yz");
    const int dataReads = board.reads().data;
    monitor.poll();
    EXPECT_EQ(drafts.size(), 1u);
    EXPECT_EQ(board.reads().data - dataReads, 2);
}

TEST_F(PasteboardMonitorTest, ImagesPreferPNGAndKeepTheSourceSize) {
    const Bytes png = encode(filled(4000, 3000), "png");
    const Bytes tiff = encode(filled(4, 3), "tiff");
    put({{"public.tiff", tiff}, rep(PasteboardType::html, "<img>"), {"public.png", png}}, "");
    monitor.poll();
    ASSERT_EQ(drafts.size(), 1u);
    const ClipDraft& draft = drafts[0];
    EXPECT_EQ(draft.kind, ClipKind::image);
    EXPECT_EQ(draft.payload.representations,
              (std::vector<ClipRepresentation>{
                  {"public.png", png}, {"public.tiff", tiff}, rep(PasteboardType::html, "<img>")}));
    EXPECT_EQ(draft.contentHash, contentHash(png));
    EXPECT_EQ(decodedSize(*draft.thumbnail), QSize(840, 630));
    EXPECT_EQ(draft.imageWidth, 4000);
    EXPECT_EQ(draft.imageHeight, 3000);
    EXPECT_EQ(draft.sourceAppName, "Editor");

    const auto edited = PasteboardMonitor::makeImageDraft(
        tiff, PasteboardType::tiff, {{"public.tiff", png}, rep(PasteboardType::rtf, "r")}, std::nullopt);
    ASSERT_TRUE(edited);
    EXPECT_EQ(edited->payload.representations,
              (std::vector<ClipRepresentation>{{"public.tiff", tiff}, rep(PasteboardType::rtf, "r")}));
    EXPECT_EQ(decodedSize(*edited->thumbnail), QSize(4, 3));
    EXPECT_FALSE(edited->sourceAppName);
}

// Width and height in the IHDR chunk rewritten, with its CRC, so that only the header lies.
Bytes pngDeclaring(std::uint32_t width, std::uint32_t height) {
    Bytes png = encode(filled(1, 1), "png");
    const auto store = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            png[at + i] = std::uint8_t(value >> (24 - 8 * i));
        }
    };
    store(16, width);
    store(20, height);
    std::uint32_t crc = ~0u;
    for (std::size_t i = 12; i < 29; ++i) {
        crc ^= png[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    store(29, ~crc);
    return png;
}

// Qt decodes such a JPEG at reduced size and fills the missing data in; only the header gives it away.
Bytes jpegDeclaring(int side) {
    Bytes jpeg = encode(filled(16, 16), "jpeg");
    const auto frame = std::ranges::search(jpeg, Bytes{0xFF, 0xC0}).begin() - jpeg.begin();
    for (int at : {5, 7}) {
        jpeg[frame + at] = std::uint8_t(side >> 8);
        jpeg[frame + at + 1] = std::uint8_t(side);
    }
    return jpeg;
}

TEST(ImageThumbnailTest, RefusesWhatCannotBeDecodedCheaplyAndAppliesOrientation) {
    EXPECT_EQ(pngDeclaring(1, 1), encode(filled(1, 1), "png"));
    EXPECT_FALSE(makeThumbnail(pngDeclaring(100'000, 100'000), 840));
    EXPECT_TRUE(makeThumbnail(jpegDeclaring(16), 840));
    EXPECT_FALSE(makeThumbnail(jpegDeclaring(20'000), 840));
    EXPECT_FALSE(makeThumbnail({}, 840));
    EXPECT_FALSE(makeThumbnail(bytesOf("\x89PNG not really"), 840));

    const auto turned =
        makeThumbnail(encode(filled(2000, 1000), "tiff", QImageIOHandler::TransformationRotate90), 840);
    ASSERT_TRUE(turned);
    EXPECT_EQ(decodedSize(turned->png), QSize(420, 840));
    EXPECT_EQ(turned->sourceWidth, 1000);
    EXPECT_EQ(turned->sourceHeight, 2000);
    const auto small = makeThumbnail(encode(filled(30, 20), "png"), 840);
    EXPECT_EQ(decodedSize(small->png), QSize(30, 20));
}

TEST_F(PasteboardMonitorTest, OnlyALonePNGCopiedAfterLaunchIsAScreenshot) {
    const Bytes png = encode(filled(8, 8), "png");
    put({{"public.png", png}});
    monitor.poll();
    put({{"public.png", png}});
    monitor.poll();
    EXPECT_FALSE(monitor.lastCaptureWasNewScreenshot());
    put({{"public.png", png}, rep(PasteboardType::html, "<img>")});
    monitor.poll();
    put({{"public.png", bytesOf("broken")}});
    monitor.poll();
    EXPECT_EQ(screenshots, (std::vector{false, true, false}));
}

TEST_F(PasteboardMonitorTest, NeitherAnUnchangedClipboardNorOurOwnWriteIsCaptured) {
    put({rep(PasteboardType::plainText, "one")}, "one");
    monitor.poll();
    const MemoryPasteboard::ReadCounts reads = board.reads();
    monitor.poll();
    EXPECT_EQ(board.reads(), reads);

    monitor.write({{rep(PasteboardType::html, "<b>two</b>"), rep(PasteboardType::plainText, "two")}},
                  ClipKind::text);
    EXPECT_EQ(board.content().representations.size(), 2u);
    monitor.write(
        {{rep(PasteboardType::fileURL, "file:///tmp/a%20b"), rep(PasteboardType::fileURL, "not a url"),
          rep(PasteboardType::fileURL, "\xFFjunk"), rep(PasteboardType::fileURL, "https://example.com/")}},
        ClipKind::file);
    EXPECT_EQ(board.content().fileURLs,
              (std::vector<std::string>{"file:///tmp/a%20b", "https://example.com/"}));
    monitor.poll();
    EXPECT_EQ(drafts.size(), 1u);
}

TEST_F(PasteboardMonitorTest, ChangeNoticesAreCoalescedAndBeatThePollingTimerOnceStarted) {
    QEventLoop loop;
    const auto runFor = [&](int milliseconds) {
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    };
    put({rep(PasteboardType::plainText, "before start")}, "before start");
    runFor(30);
    EXPECT_EQ(monitor.lastChangeCount, -1);

    monitor.onCapture = [&](const ClipDraft& draft) {
        drafts.push_back(draft);
        loop.quit();
    };
    monitor.start(PasteboardMonitor::idlePollInterval);
    QElapsedTimer clock;
    clock.start();
    for (std::string text : {"a", "ab", "abc"}) {
        put({rep(PasteboardType::plainText, text)}, text);
    }
    runFor(2000);
    EXPECT_LT(clock.elapsed(), 200);
    runFor(50);
    ASSERT_EQ(drafts.size(), 1u);
    EXPECT_EQ(drafts[0].text, "abc");
}

} // namespace
