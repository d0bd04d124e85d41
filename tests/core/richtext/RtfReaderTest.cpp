#include "core/richtext/RtfReader.h"

#include "tests/core/richtext/RichTextSamples.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace snipstack::richtext {
namespace {

using samples::paragraphTexts;
using samples::runWith;
using testing::ElementsAre;

Document read(std::string_view rtf, const Attachments& attachments = {}) {
    auto document = readRtf(rtf, attachments);
    EXPECT_TRUE(document.has_value());
    return document.value_or(Document{});
}

// As Microsoft Word writes it: tables of fonts, colours and styles, metadata, code page 1252.
TEST(RtfReader, ReadsWordFormattingAndSkipsMetadata) {
    const auto document = read(R"({\rtf1\adeflang1025\ansi\ansicpg1252\uc1\adeff31507\deff0
{\fonttbl{\f0\fbidi \froman\fcharset0\fprq2{\*\panose 02020603050405020304}Times New Roman;}
{\f1\fswiss\fcharset0 Arial{\*\falt Helvetica};}}
{\colortbl;\red0\green0\blue0;\red255\green0\blue0;\red255\green255\blue0;}
{\*\defchp \fs22}{\stylesheet{\ql \li0\ri0 \f0\fs24 Normal;}}
{\info{\title A title}{\author Someone}}{\*\xmlnstbl {\xmlns1 http://schemas.microsoft.com}}
{\*\themedata 504b0304}{\*\datastore 0105000002000000}{\*\generator Microsoft Word 16;}
\pard\plain \qc\li720\ri360\fi-360\sb120\sa240 \f1\fs28 Caf\'e9 {\b bold}{\i italic}{\ul under}{\strike gone}
{\cf2\highlight3 red}x{\super 2}{\sub 3}\par
\pard\plain\qr line\line two\tab three\par
\pard\qj {\v hidden}shown\par})");
    EXPECT_THAT(paragraphTexts(document),
                ElementsAre("Café bolditalicundergoneredx23", "line\u2028two\tthree", "shown"));
    const auto& first = std::get<Paragraph>(document.blocks[0]);
    EXPECT_EQ(first.format, (ParagraphFormat{Alignment::center, 36, 18, -18, 6, 12}));
    EXPECT_EQ(first.runs[0].format.fontFamily, "Arial");
    EXPECT_EQ(first.runs[0].format.fontSize, 14);
    EXPECT_TRUE(runWith(document, "bold")->format.bold);
    EXPECT_FALSE(runWith(document, "bold")->format.italic);
    EXPECT_TRUE(runWith(document, "italic")->format.italic);
    EXPECT_TRUE(runWith(document, "under")->format.underline);
    EXPECT_TRUE(runWith(document, "gone")->format.strike);
    EXPECT_EQ(runWith(document, "red")->format.foreground, (Color{255, 0, 0}));
    EXPECT_EQ(runWith(document, "red")->format.highlight, (Color{255, 255, 0}));
    EXPECT_EQ(runWith(document, "2")->format.vertical, VerticalPosition::superscript);
    EXPECT_EQ(runWith(document, "3")->format.vertical, VerticalPosition::subscript);
    EXPECT_EQ(std::get<Paragraph>(document.blocks[1]).format.alignment, Alignment::right);
    EXPECT_EQ(std::get<Paragraph>(document.blocks[2]).format.alignment, Alignment::justify);
}

TEST(RtfReader, DecodesCodePagesFontCharsetsAndUnicode) {
    // Cyrillic in the document's code page, Japanese in a Shift-JIS font, \u with ANSI fallbacks.
    const auto document = read(R"({\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fnil\fcharset204 Arial;}
{\f1\fnil\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9;}}
\f0 \'cf\'f0\'e8\'e2\'e5\'f2\par
\f1 \'82\'a0\'82\'a2 \f0 back\par
\uc2\u12354\'82\'a0 \uc1\u-3913?\u8364 ?\uc0\u233 \par
{\uc1\u-10179?\u-9013?}\par})");
    EXPECT_THAT(paragraphTexts(document), ElementsAre("Привет", "あい back", "あ \uF0B7€é", "📋"));
    EXPECT_EQ(runWith(document, "あい")->format.fontFamily, "ＭＳ 明朝");
}

TEST(RtfReader, ReadsHyperlinkFieldsAndListText) {
    const auto document = read(R"({\rtf1\ansi
{\pntext\f0 1.\tab}{\*\pn\pnlvlbody\pndec{\pntxta .}}First item\par
{\listtext\pard\plain \'95\tab}Second {\field{\*\fldinst{HYPERLINK "https://example.com/a?b=1" \\o "Tip"}}
{\fldrslt{\ul\cf1 Example}}} done\par
{\field{\*\fldinst HYPERLINK \\l "Top"}{\fldrslt up}}{\field{\*\fldinst PAGE}{\fldrslt 7}}\par})");
    EXPECT_THAT(paragraphTexts(document), ElementsAre("1.\tFirst item", "•\tSecond Example done", "up7"));
    EXPECT_EQ(runWith(document, "Example")->format.link, "https://example.com/a?b=1");
    EXPECT_TRUE(runWith(document, "Example")->format.underline);
    EXPECT_EQ(runWith(document, " done")->format.link, "");
    EXPECT_EQ(runWith(document, "up")->format.link, "#Top");
    EXPECT_EQ(runWith(document, "7")->format.link, "");
}

TEST(RtfReader, ReadsTablesAsRowsOfCells) {
    const auto document = read(R"({\rtf1\ansi Before\par
\trowd\trgaph108\cellx3000\cellx6000\pard\intbl A1\cell\pard\intbl A2\par more\cell\row
\trowd\trgaph108\cellx3000\cellx6000\pard\intbl B1\cell B2\cell\row
\pard After\par})");
    ASSERT_EQ(document.blocks.size(), 3u);
    const auto& table = std::get<Table>(document.blocks[1]);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0].cells.size(), 2u);
    EXPECT_EQ(table.rows[0].cells[1].paragraphs.size(), 2u);
    EXPECT_THAT(paragraphTexts(document), ElementsAre("Before", "A1", "A2", "more", "B1", "B2", "After"));
}

TEST(RtfReader, ReadsPngAndJpegPicturesAndSkipsOthers) {
    const auto png = samples::png(2, 3);
    std::string rtf =
        R"({\rtf1\ansi A{\*\shppict{\pict{\*\picprop{\sp{\sn x}}}\picw2\pich3\picwgoal600\pichgoal900\pngblip )" +
        samples::hex(png) +
        R"(}}{\nonshppict{\pict\wmetafile8 0102}}B{\pict\jpegblip\picscalex50\picscaley50\picw40\pich20 \bin4 )";
    rtf += std::string("\xFF\xD8{}", 4) + R"(}{\pict\emfblip 0102}C\par})";
    const auto document = read(rtf);
    EXPECT_THAT(paragraphTexts(document), ElementsAre("A[image]B[image]C"));
    const auto& runs = std::get<Paragraph>(document.blocks[0]).runs;
    EXPECT_EQ(runs[1].image, (Image{png, "image/png", 30, 45}));
    EXPECT_EQ(runs[3].image, (Image{Bytes{0xFF, 0xD8, '{', '}'}, "image/jpeg", 20, 10}));
}

// As TextEdit writes an RTFD's text: attachments named by \NeXTGraphic, each followed by '¬'.
TEST(RtfReader, ResolvesCocoaAttachmentsAndSkipsTheirPlaceholder) {
    const auto rtf = R"({\rtf1\ansi\ansicpg1252\cocoartf2639
\cocoatextscaling0\cocoaplatform0{\fonttbl\f0\fswiss\fcharset0 Helvetica;}
{\colortbl;\red255\green255\blue255;}
{\*\expandedcolortbl;;}
\pard\tx560\pardirnatural\partightenfactor0
\f0\fs24 \cf0 Look {{\NeXTGraphic pasted.jpg \width1200 \height600 \appleattachmentpadding0 \appleembedtype0 \appleaqc
}\'ac}{{\NeXTGraphic missing.png \width20 \height20
}\'ac} here \'ac})";
    const auto document = read(rtf, Attachments{{"pasted.jpg", Bytes{1, 2, 3}}});
    EXPECT_THAT(paragraphTexts(document), ElementsAre("Look [image] here ¬"));
    EXPECT_EQ(std::get<Paragraph>(document.blocks[0]).runs[1].image,
              (Image{Bytes{1, 2, 3}, "image/jpeg", 60, 30}));
    EXPECT_EQ(runWith(document, "Look")->format.fontFamily, "Helvetica");
    EXPECT_EQ(runWith(document, "Look")->format.fontSize, 12);
}

TEST(RtfReader, StaysBoundedOnHostileInput) {
    EXPECT_FALSE(readRtf("plain text").has_value());
    EXPECT_FALSE(readRtf("").has_value());

    const std::string deep =
        "{\\rtf1 " + std::string(200000, '{') + "deep\\b bold" + std::string(10, '}') + " x";
    EXPECT_THAT(paragraphTexts(*readRtf(deep)), ElementsAre("deepbold x"));

    const auto unterminated = readRtf(R"({\rtf1 {\b half {\pict\pngblip 89504e)");
    EXPECT_THAT(paragraphTexts(*unterminated), ElementsAre("half "));

    const auto hugeBinary = readRtf(R"({\rtf1 a{\pict\pngblip\bin2147483647999 xyz)");
    EXPECT_THAT(paragraphTexts(*hugeBinary), ElementsAre("a"));

    std::string manyRuns = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i) {
        manyRuns += "\\b a\\b0 b";
    }
    const auto limited = readRtf(manyRuns, {}, RtfLimits{512, 100000});
    EXPECT_LT(samples::paragraphTexts(*limited)[0].size(), 1000u);

    EXPECT_THAT(paragraphTexts(*readRtf(R"({\rtf1 text} trailing {\b more})")), ElementsAre("text"));
}

} // namespace
} // namespace snipstack::richtext
