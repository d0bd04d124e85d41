#include "app/system/richtext/FormattedText.h"

#include "app/system/richtext/TextDocumentConversion.h"
#include "core/values/PropertyList.h"
#include "tests/app/system/richtext/RichTextSupport.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

using testing::imageBytes;
using testing::payload;

QString textOf(const ClipPayload& payload) {
    const auto document = formattedText(payload);
    return document ? document->toPlainText() : QStringLiteral("<none>");
}

// The images of a document: the bytes its resources give, "placeholder" or "none".
std::vector<std::string> imagesOf(const QTextDocument& document) {
    std::vector<std::string> out;
    for (auto block = document.begin(); block != document.end(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                const auto image = attachmentImage(document, it.fragment().charFormat().toImageFormat());
                out.push_back(image ? std::string(viewOf(image->data)) : "none");
            }
        }
    }
    return out;
}

TEST(FormattedText, TakesTheFirstUsableRepresentationInOrder) {
    const std::string rtf = "{\\rtf1 From RTF}";
    EXPECT_EQ(textOf(payload({{"public.utf8-plain-text", "plain"}, {"public.rtf", rtf}})), "From RTF");
    EXPECT_EQ(textOf(payload({{"public.utf8-plain-text", "plain"}})), "<none>");
    EXPECT_EQ(textOf(payload({{"public.html", "<b>From HTML</b>"}, {"public.rtf", rtf}})), "From RTF");
    // Too large, broken, empty or without text: the next one is tried.
    const std::string large = "{\\rtf1 " + std::string(3'000'000, 'x') + "}";
    EXPECT_EQ(textOf(payload({{"public.rtf", large}, {"public.html", "<p>Grüße</p>"}})), "Grüße");
    EXPECT_EQ(textOf(payload({{"com.apple.flat-rtfd", "rtfd broken"}, {"public.rtf", rtf}})), "From RTF");
    EXPECT_EQ(textOf(payload({{"public.rtf", ""}, {"public.rtf", rtf}, {"public.html", "<p>x</p>"}})), "x");
    EXPECT_EQ(textOf(payload({{"public.rtf", "{\\rtf1 {\\*\\generator x;}}"}, {"public.html", "<i>y</i>"}})),
              "y");
    EXPECT_EQ(textOf(payload({{"public.rtf", "not rtf"}})), "<none>");

    const plist::Dictionary archive{
        {"WebMainResource", plist::Dictionary{{"WebResourceData", bytesOf("<p>Web</p>")},
                                              {"WebResourceMIMEType", "text/html"}}}};
    const auto archived = std::string(viewOf(plist::encode(archive)));
    EXPECT_EQ(textOf(payload({{"public.rtf", rtf}, {"com.apple.webarchive", archived}})), "Web");
}

// A page with thousands of anchors would take Qt seconds to read; without them it reads the same.
TEST(FormattedText, PagesWithManyAnchorsKeepTheirTextAndLinks) {
    std::string html;
    std::string plain;
    for (int i = 0; i < 600; ++i) {
        const std::string n = std::to_string(i);
        html += "<p id=\"s" + n + "\">Section " + n + " <a name=\"n" + n + "\" href=\"https://example.org/" +
                n + "\">link</a></p>";
        plain += (i ? "\n" : "") + std::string("Section ") + n + " link";
    }
    const auto document = formattedText(payload({{"public.html", html}}));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->toPlainText().toStdString(), plain);
    QTextCursor cursor(document.get());
    cursor.movePosition(QTextCursor::End);
    const QTextCharFormat link = cursor.charFormat();
    EXPECT_EQ(link.anchorHref(), "https://example.org/599");
    EXPECT_TRUE(link.anchorNames().isEmpty());
}

// Images come from data URLs and the archive only: a remote or local file is never read.
TEST(FormattedText, ServesImagesFromThePayloadOnly) {
    const auto png = imageBytes(Qt::red, 3, 2);
    const auto base64 =
        QByteArray(reinterpret_cast<const char*>(png.data()), static_cast<qsizetype>(png.size())).toBase64();
    const auto html = "<p>a<img src=\"data:image/png;base64," + base64.toStdString() +
                      "\">b<img src=\"https://example.com/x.png\" width=\"30\" height=\"20\">"
                      "c<img src=\"file:///etc/hostname\">d<img src=\"pics/y.png\"></p>";
    const auto fromHtml = formattedText(payload({{"public.html", html}}));
    ASSERT_TRUE(fromHtml);
    EXPECT_EQ(imagesOf(*fromHtml),
              (std::vector<std::string>{std::string(viewOf(png)), "none", "none", "none"}));

    const plist::Dictionary archive{
        {"WebMainResource", plist::Dictionary{{"WebResourceData", bytesOf(html)},
                                              {"WebResourceURL", "https://example.com/page/"}}},
        {"WebSubresources",
         plist::Array{plist::Dictionary{{"WebResourceData", png},
                                        {"WebResourceURL", "https://example.com/page/pics/y.png"}}}}};
    const auto fromArchive =
        formattedText(payload({{"com.apple.webarchive", std::string(viewOf(plist::encode(archive)))}}));
    ASSERT_TRUE(fromArchive);
    EXPECT_EQ(imagesOf(*fromArchive).back(), std::string(viewOf(png)));
}

TEST(FormattedText, ConvertsDocumentsToQtAndBack) {
    using namespace richtext;
    CharFormat rich;
    rich.fontFamily = "DejaVu Sans";
    rich.fontSize = 14;
    rich.bold = rich.italic = rich.underline = rich.strike = true;
    rich.foreground = Color{10, 20, 30};
    rich.highlight = Color{250, 240, 0};
    rich.vertical = VerticalPosition::superscript;
    rich.link = "https://example.com/";
    const Image image{imageBytes(Qt::blue, 4, 4), "image/png", 8, 8};
    const Document document{
        {Paragraph{{Alignment::center, 10, 5, -5, 2, 4},
                   {richtext::Run{"plain\u2028line\t", {}, {}}, richtext::Run{"rich", rich, {}}}},
         Table{{TableRow{{TableCell{{Paragraph{{}, {richtext::Run{"A1", {}, {}}}}}},
                          TableCell{{Paragraph{{}, {richtext::Run{{}, {}, image}}}}}}}}},
         Paragraph{{Alignment::right}, {richtext::Run{"after", {}, {}}}}}};
    const auto qt = toTextDocument(document);
    EXPECT_EQ(qt->toPlainText(), QStringLiteral("plain\nline\trich\n\nA1\n\uFFFC\nafter"));
    EXPECT_EQ(fromTextDocument(*qt), (Document{{std::get<Paragraph>(document.blocks[0]), Paragraph{},
                                                document.blocks[1], document.blocks[2]}}));
}

} // namespace
} // namespace snipstack
