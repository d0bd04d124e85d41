#include "app/system/richtext/RichTextDraft.h"

#include "app/system/richtext/FormattedText.h"
#include "core/model/ContentHash.h"
#include "core/richtext/FlatRtfd.h"
#include "tests/app/system/richtext/RichTextSupport.h"

#include <QRegularExpression>
#include <QTextCursor>
#include <QTextImageFormat>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> types(const ClipDraft& draft) {
    std::vector<std::string> out;
    for (const auto& representation : draft.payload.representations) {
        out.push_back(representation.type);
    }
    return out;
}

void insertImage(QTextDocument& document, const QString& name, const Bytes& bytes) {
    document.addResource(
        QTextDocument::ImageResource, QUrl(name),
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    QTextImageFormat format;
    format.setName(name);
    cursor.insertImage(format);
}

TEST(RichTextDraft, TwoImagesGiveRtfdRtfHtmlWithDataUrlsAndPlainText) {
    const auto png = testing::imageBytes(Qt::red, 2, 2);
    const auto tiff = testing::imageBytes(Qt::green, 3, 1, "TIFF");
    QTextDocument document;
    QTextCursor(&document).insertText(QStringLiteral("Before "));
    insertImage(document, QStringLiteral("pasted.png"), png);
    QTextCursor(&document).movePosition(QTextCursor::End);
    insertImage(document, QStringLiteral("scan.tiff"), tiff);

    const auto draft = richTextDraft(document);
    ASSERT_TRUE(draft.has_value());
    EXPECT_THAT(types(*draft),
                ElementsAre("com.apple.flat-rtfd", "public.rtf", "public.html", "public.utf8-plain-text"));
    const auto& representations = draft->payload.representations;
    EXPECT_EQ(draft->contentHash, contentHash(representations[0].data));
    EXPECT_EQ(draft->text, "Before ");
    EXPECT_EQ(representations[3].data, bytesOf("Before "));
    EXPECT_EQ(draft->kind, ClipKind::text);
    EXPECT_FALSE(draft->sourceAppName.has_value());

    const auto rtfd = richtext::readRtfdFiles(viewOf(representations[0].data));
    ASSERT_TRUE(rtfd.has_value());
    ASSERT_EQ(rtfd->size(), 3u);
    EXPECT_EQ((*rtfd)[2].data, tiff) << "RTFD keeps the image file as it was";
    const auto rtf = std::string(viewOf(representations[1].data));
    EXPECT_EQ(QString::fromStdString(rtf).count(QStringLiteral("\\pngblip")), 2);

    const auto html =
        QString::fromUtf8(viewOf(representations[2].data).data(), representations[2].data.size());
    const auto base64 = [](const Bytes& bytes) {
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()).toBase64());
    };
    EXPECT_TRUE(html.contains("src=\"data:image/png;base64," + base64(png) + "\"")) << html.toStdString();
    EXPECT_TRUE(html.contains("src=\"data:image/tiff;base64," + base64(tiff) + "\""));

    // What is saved reads back with both images.
    const auto reread = formattedText(draft->payload);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->toPlainText(), QStringLiteral("Before \uFFFC\uFFFC"));
}

TEST(RichTextDraft, TextWithoutImagesGivesRtfHtmlAndPlainTextHashedByRtf) {
    QTextDocument document;
    document.setHtml(
        QStringLiteral("<p><b>Bold</b> and <a href=\"https://example.com\">link</a></p><p>Ünïcode</p>"));
    const auto draft = richTextDraft(document);
    ASSERT_TRUE(draft.has_value());
    EXPECT_THAT(types(*draft), ElementsAre("public.rtf", "public.html", "public.utf8-plain-text"));
    EXPECT_EQ(draft->contentHash, contentHash(draft->payload.representations[0].data));
    EXPECT_EQ(draft->text, "Bold and link\nÜnïcode");
    const auto reread = formattedText(ClipPayload{{draft->payload.representations[0]}});
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->toHtml().contains(QStringLiteral("href=\"https://example.com\"")), true);
    EXPECT_EQ(reread->toPlainText(), QString::fromStdString(draft->text));

    EXPECT_FALSE(richTextDraft(QTextDocument()).has_value());
}

} // namespace
} // namespace snipstack
