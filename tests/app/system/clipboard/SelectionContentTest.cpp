#include "app/system/clipboard/SelectionContent.h"

#include "app/system/clipboard/PasteboardMime.h"

#include <QBuffer>
#include <QImage>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

using ::testing::ElementsAre;

// An owner offering targets, counting what it is asked for.
class OfferedSelection : public SelectionSource {
public:
    OfferedSelection(std::vector<std::pair<std::string, Bytes>> offer, std::vector<std::string>& asked)
        : offer_(std::move(offer)), asked_(asked) {}
    std::optional<std::vector<std::string>> targets() override {
        std::vector<std::string> names;
        for (const auto& [name, value] : offer_)
            names.push_back(name);
        return names;
    }
    std::optional<Bytes> read(const std::string& target) override {
        asked_.push_back(target);
        for (const auto& [name, value] : offer_)
            if (name == target)
                return value;
        return std::nullopt;
    }

private:
    std::vector<std::pair<std::string, Bytes>> offer_;
    std::vector<std::string>& asked_;
};

Bytes encoded(const char* format) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return Bytes(bytes.begin(), bytes.end());
}

TEST(SelectionContentTest, AToolkitsImageIsReadInOneFormatOnly) {
    using pasteboard_mime::chosenImageTarget;
    // What Qt's setImage and GTK's set_image offer, in their order.
    const std::vector<std::string> qt = {"application/x-qt-image",
                                         "image/bmp",
                                         "image/jpeg",
                                         "image/png",
                                         "image/ppm",
                                         "image/tiff",
                                         "image/webp",
                                         "image/x-xpixmap",
                                         "PIXMAP"};
    const std::vector<std::string> gtk = {
        "image/bmp",          "image/x-bmp",  "image/x-MS-bmp", "image/x-icon", "image/x-ico",
        "image/x-win-bitmap", "image/jpeg",   "image/tiff",     "image/png",    "TARGETS",
        "MULTIPLE",           "SAVE_TARGETS", "TIMESTAMP"};
    EXPECT_EQ(chosenImageTarget(qt), "image/png");
    EXPECT_EQ(chosenImageTarget(gtk), "image/png");
    EXPECT_EQ(chosenImageTarget({"image/x-MS-bmp", "image/GIF", "image/jpeg"}), "image/jpeg");
    EXPECT_EQ(chosenImageTarget({"image/x-MS-bmp", "image/bmp"}), "image/bmp");
    EXPECT_EQ(chosenImageTarget({"image/x-icon", "text/plain"}), std::nullopt);

    std::vector<std::string> asked;
    std::vector<std::pair<std::string, Bytes>> offer;
    for (const auto& target : qt)
        offer.emplace_back(target, target == "image/png" ? encoded("PNG") : bytesOf("converted " + target));
    SelectionContent content(std::make_unique<OfferedSelection>(offer, asked));
    // A lone image from a toolkit counts as what screenshot tools copy.
    EXPECT_EQ(content.firstItemTypes(), std::vector<std::string>{std::string(PasteboardType::png)});
    EXPECT_EQ(content.data("image/bmp"), std::nullopt);
    EXPECT_EQ(content.data(PasteboardType::png), encoded("PNG"));
    EXPECT_THAT(asked, ElementsAre("image/png"));

    // Only other image names: the one kept is decoded for the last-resort TIFF.
    asked.clear();
    SelectionContent bitmap(std::make_unique<OfferedSelection>(
        std::vector<std::pair<std::string, Bytes>>{{"image/x-MS-bmp", encoded("BMP")},
                                                   {"image/bmp", encoded("BMP")}},
        asked));
    EXPECT_THAT(bitmap.types(), ElementsAre("image/bmp"));
    const auto tiff = bitmap.imageAsTIFF();
    ASSERT_TRUE(tiff);
    EXPECT_EQ(QImage::fromData(tiff->data(), int(tiff->size()), "TIFF").size(), QSize(6, 4));
    EXPECT_THAT(asked, ElementsAre("image/bmp"));
}

TEST(SelectionContentTest, MarkersAndFileListsAreListedByWhatTheyHold) {
    std::vector<std::string> asked;
    SelectionContent secret(std::make_unique<OfferedSelection>(
        std::vector<std::pair<std::string, Bytes>>{{"UTF8_STRING", bytesOf("hunter2")},
                                                   {"text/plain", bytesOf("hunter2")},
                                                   {"x-kde-passwordManagerHint", bytesOf("secret")}},
        asked));
    EXPECT_THAT(secret.types(), ElementsAre(PasteboardType::plainText, PasteboardType::concealed));
    EXPECT_EQ(secret.plainText(), "hunter2");
    SelectionContent files(std::make_unique<OfferedSelection>(
        std::vector<std::pair<std::string, Bytes>>{
            {"text/uri-list", bytesOf("file:///a\r\nfile:///b%20c\r\n")}, {"STRING", bytesOf("/a \xFC")}},
        asked));
    EXPECT_THAT(files.types(), ElementsAre(PasteboardType::fileURL, PasteboardType::plainText));
    EXPECT_THAT(files.fileURLs(), ElementsAre("file:///a", "file:///b%20c"));
    EXPECT_EQ(files.plainText(), "/a ü");
}

} // namespace
} // namespace snipstack
