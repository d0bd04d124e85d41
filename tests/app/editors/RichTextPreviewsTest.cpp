#include "app/editors/RichTextPreviews.h"

#include "tests/app/system/richtext/RichTextSupport.h"

#include <QImage>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

QImage rendered(const std::string& rtf) {
    RichTextPreviews previews;
    const auto png =
        previews.render(testing::payload({{"public.rtf", rtf}, {"public.utf8-plain-text", "x"}}));
    EXPECT_TRUE(png.has_value());
    return png ? QImage::fromData(png->data(), static_cast<int>(png->size()), "PNG") : QImage();
}

TEST(RichTextPreviews, DrawsAtTheRowWidthWithinTheHeight) {
    const auto short_ = rendered("{\\rtf1 {\\b One} line}");
    EXPECT_EQ(short_.width(), RichTextPreviews::width);
    EXPECT_LT(short_.height(), 40);
    std::string long_ = "{\\rtf1 ";
    for (int i = 0; i < 5000; ++i) {
        long_ += "line\\par ";
    }
    EXPECT_EQ(rendered(long_ + "}").height(), RichTextPreviews::maxHeight);
    RichTextPreviews previews;
    EXPECT_FALSE(previews.render(testing::payload({{"public.utf8-plain-text", "plain"}})).has_value());
}

TEST(RichTextPreviews, PutsLightTextOnADarkBackgroundAndOtherTextOnWhite) {
    const auto white = rendered("{\\rtf1{\\colortbl;\\red255\\green255\\blue255;}\\cf1 White text}");
    EXPECT_LT(qGray(white.pixel(white.width() - 1, 0)), 60);
    const auto plain = rendered("{\\rtf1 Text without a colour}");
    EXPECT_EQ(plain.pixel(plain.width() - 1, 0), qRgb(255, 255, 255));
}

TEST(RichTextPreviews, FitsWideImagesToTheWidth) {
    const auto png = testing::imageBytes(Qt::red, 2000, 400);
    std::string hex;
    for (const auto byte : png) {
        hex += "0123456789abcdef"[byte >> 4];
        hex += "0123456789abcdef"[byte & 0xF];
    }
    const auto image = rendered("{\\rtf1{\\pict\\pngblip " + hex + "}}");
    EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(image.width() - 10, image.height() / 2), qRgb(255, 0, 0));
}

} // namespace
} // namespace snipstack
