#include "app/system/clipboard/SelectionContent.h"

#include <QBuffer>
#include <QImage>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

using ::testing::ElementsAre;
using Offer = std::vector<std::pair<std::string, Bytes>>;

// An owner offering targets, noting what it is asked for.
class OfferedSelection : public SelectionSource {
public:
    OfferedSelection(Offer offer, std::vector<std::string>& asked)
        : offer_(std::move(offer)), asked_(asked) {}
    std::optional<std::vector<std::string>> targets() override {
        std::vector<std::string> names;
        for (const auto& [name, value] : offer_)
            names.push_back(name);
        return names;
    }
    std::optional<Bytes> read(const std::string& target) override {
        asked_.push_back(target);
        const auto found = std::ranges::find(offer_, target, &Offer::value_type::first);
        return found == offer_.end() ? std::nullopt : std::optional(found->second);
    }

private:
    Offer offer_;
    std::vector<std::string>& asked_;
};

Bytes encoded(const char* format) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    EXPECT_TRUE(image.save(&buffer, format));
    return Bytes(bytes.begin(), bytes.end());
}

// Markers, file lists and Latin-1 text are read from real owners by the X11 tests.
TEST(SelectionContentTest, AToolkitsImageIsReadInOneFormatOnly) {
    std::vector<std::string> asked;
    SelectionContent content(
        std::make_unique<OfferedSelection>(Offer{{"application/x-qt-image", bytesOf("qt")},
                                                 {"image/bmp", encoded("BMP")},
                                                 {"image/png", encoded("PNG")},
                                                 {"image/tiff", encoded("TIFF")},
                                                 {"PIXMAP", bytesOf("pixmap")}},
                                           asked));
    // A lone image from a toolkit counts as what screenshot tools copy.
    EXPECT_EQ(content.firstItemTypes(), std::vector<std::string>{std::string(PasteboardType::png)});
    EXPECT_EQ(content.data("image/bmp"), std::nullopt);
    EXPECT_EQ(content.data(PasteboardType::png), encoded("PNG"));
    EXPECT_THAT(asked, ElementsAre("image/png"));

    // Only other image names: the one kept is decoded for the last-resort TIFF.
    asked.clear();
    SelectionContent bitmap(std::make_unique<OfferedSelection>(
        Offer{{"image/x-MS-bmp", encoded("BMP")}, {"image/bmp", encoded("BMP")}}, asked));
    EXPECT_THAT(bitmap.types(), ElementsAre("image/bmp"));
    const auto tiff = bitmap.imageAsTIFF();
    ASSERT_TRUE(tiff);
    EXPECT_EQ(QImage::fromData(tiff->data(), int(tiff->size()), "TIFF").size(), QSize(6, 4));
    EXPECT_THAT(asked, ElementsAre("image/bmp"));
}

} // namespace
} // namespace snipstack
