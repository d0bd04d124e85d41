#include "core/richtext/RtfWriter.h"

#include "core/richtext/RtfReader.h"
#include "tests/core/richtext/RichTextSamples.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace snipstack::richtext {
namespace {

Run text(std::string text, CharFormat format = {}) {
    return Run{std::move(text), std::move(format), std::nullopt};
}

Run image(Image image, CharFormat format = {}) {
    return Run{{}, std::move(format), std::move(image)};
}

// Every feature the writer has, with no two neighbouring runs alike (a reader joins those).
Document everything() {
    CharFormat bold;
    bold.fontFamily = "Liberation Serif";
    bold.fontSize = 15;
    bold.bold = true;
    CharFormat colored;
    colored.italic = colored.underline = colored.strike = true;
    colored.foreground = Color{200, 10, 20};
    colored.highlight = Color{255, 255, 0};
    CharFormat link;
    link.underline = true;
    link.foreground = Color{0, 0, 255};
    link.link = "https://example.com/?q=a%20b";
    CharFormat subscript;
    subscript.vertical = VerticalPosition::subscript;
    CharFormat linkBold = link;
    linkBold.bold = true;
    const Image png{samples::png(2, 3), "image/png", 40, 60};
    const Image jpeg{Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 20, 0, 10, 1, 0, 0}, "image/jpeg", 10, 20};
    Paragraph first{{Alignment::center, 36, 18, -18, 6, 12},
                    {text("Grüße {x} \\ 📋 ", bold), text("colour", colored), text("H"), text("2", subscript),
                     text("O line\u2028tab\t")}};
    Paragraph second{{Alignment::justify},
                     {text("see "), text("the ", link), text("site", linkBold), image(png)}};
    Table table{
        {TableRow{{TableCell{{Paragraph{{}, {text("A1")}}, Paragraph{{Alignment::right}, {text("A1b")}}}},
                   TableCell{{Paragraph{{}, {image(jpeg)}}}}}},
         TableRow{{TableCell{{Paragraph{{}, {text("B1")}}}}, TableCell{{Paragraph{}}}}}}};
    return Document{{first, second, Paragraph{}, table, Paragraph{{}, {text("end", bold)}}}};
}

TEST(RtfWriter, ReadsBackWhatItWrites) {
    const auto document = everything();
    const auto rtf = writeRtf(document);
    EXPECT_EQ(rtf.find_first_of("\x80\xFF"), std::string::npos) << "RTF is 7-bit";
    EXPECT_EQ(readRtf(rtf), document);

    auto quoted = document;
    std::get<Paragraph>(quoted.blocks[1]).runs[1].format.link = "https://example.com/?q=\"a b\"";
    EXPECT_EQ(std::get<Paragraph>(readRtf(writeRtf(quoted))->blocks[1]).runs[1].format.link,
              "https://example.com/?q=%22a%20b%22");
}

TEST(RtfWriter, WritesAttachmentMarkersForRtfd) {
    std::vector<AttachmentFile> files;
    const auto document = everything();
    const auto rtf = writeRtfWithAttachments(document, files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "image1.png");
    EXPECT_EQ(files[1].name, "image2.jpeg");
    EXPECT_EQ(rtf.find("\\pict"), std::string::npos);
    Attachments attachments;
    for (const auto& file : files) {
        attachments.emplace(file.name, file.image->data);
    }
    EXPECT_EQ(readRtf(rtf, attachments), document);
}

// An independent reader (unrtf, a test-only tool) sees the text, formatting, link and picture.
TEST(RtfWriter, IsReadByUnrtf) {
    if (std::system("command -v unrtf >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "unrtf is not installed (apt-get install unrtf)";
    }
    const auto folder =
        std::filesystem::temp_directory_path() / ("snipstack-unrtf-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "in.rtf") << writeRtf(everything());
    const auto command = "cd '" + folder.string() + "' && unrtf --html in.rtf > out.html 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::stringstream html;
    html << std::ifstream(folder / "out.html").rdbuf();
    std::filesystem::remove_all(folder);
    // unrtf drops the character that follows a Unicode escape's fallback: "Grüße" shows as "Grüß".
    EXPECT_NE(html.str().find("<b>Gr&uuml;&szlig;"), std::string::npos) << html.str();
    EXPECT_NE(html.str().find("https://example.com/"), std::string::npos);
    EXPECT_NE(html.str().find("<img src=\"pict001.png\""), std::string::npos);
    EXPECT_NE(html.str().find("B1"), std::string::npos);
}

} // namespace
} // namespace snipstack::richtext
