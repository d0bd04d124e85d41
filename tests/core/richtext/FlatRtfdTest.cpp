#include "core/richtext/FlatRtfd.h"

#include "tests/core/richtext/RichTextSamples.h"

#include <gtest/gtest.h>

namespace snipstack::richtext {
namespace {

std::string le32(std::uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

Document withImages() {
    const auto image = [](Bytes data, std::string type) {
        return Run{{}, {}, Image{std::move(data), std::move(type), 20, 30}};
    };
    return Document{{Paragraph{{},
                               {Run{"Two pictures: ", {}, {}}, image(samples::png(), "image/png"),
                                image(Bytes{'G', 'I', 'F', '8'}, "image/gif")}}}};
}

TEST(FlatRtfd, ReadsBackWhatItWritesByteForByte) {
    const auto document = withImages();
    const auto bytes = writeFlatRtfd(document);
    const auto files = readRtfdFiles(viewOf(bytes));
    ASSERT_TRUE(files.has_value());
    ASSERT_EQ(files->size(), 3u);
    EXPECT_EQ((*files)[0].name, "TXT.rtf");
    EXPECT_EQ((*files)[2], (RtfdFile{"image2.gif", Bytes{'G', 'I', 'F', '8'}}));
    const auto read = readFlatRtfd(viewOf(bytes));
    EXPECT_EQ(read, document);
    EXPECT_EQ(writeFlatRtfd(*read), bytes);
}

// The directory layout as serialized elsewhere: entries besides the text, a file record that does
// not repeat its size, a subfolder.
TEST(FlatRtfd, ReadsTheSerializedDirectoryLayout) {
    const std::string rtf = "{\\rtf1 A{{\\NeXTGraphic pic.png \\width40 \\height60}\\'ac}B}";
    const std::string png(viewOf(samples::png()));
    const std::string folder = le32(3) + le32(1) + le32(5) + "x.txt" + le32(6) + le32(1) + "hi";
    const std::string flat = "rtfd" + le32(0) + le32(3) + le32(4) + le32(19) + "__@PreferredName@__" +
                             le32(7) + "TXT.rtf" + le32(7) + "pic.png" + le32(3) + "sub" + le32(13) +
                             le32(8 + rtf.size()) + le32(4 + png.size()) + le32(folder.size()) + le32(1) +
                             le32(5) + "Test1" + le32(1) + le32(rtf.size()) + rtf + le32(1) + png + folder;
    const auto files = readRtfdFiles(flat);
    ASSERT_TRUE(files.has_value());
    ASSERT_EQ(files->size(), 4u);
    EXPECT_EQ((*files)[3], (RtfdFile{"sub/x.txt", bytesOf("hi")}));
    const auto document = readFlatRtfd(flat);
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(plainText(*document), "A\xEF\xBF\xBC"
                                    "B\n");
    EXPECT_EQ(std::get<Paragraph>(document->blocks[0]).runs[1].image,
              (Image{samples::png(), "image/png", 2, 3}));
}

TEST(FlatRtfd, RefusesMalformedContainers) {
    const auto bytes = writeFlatRtfd(withImages());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_FALSE(readFlatRtfd(viewOf(bytes).substr(0, length)).has_value()) << length;
    }
    EXPECT_FALSE(readFlatRtfd("rtfd" + le32(0) + le32(3) + le32(0x7FFFFFFF)).has_value());
    EXPECT_FALSE(readFlatRtfd(viewOf(writeRtfdFiles({RtfdFile{"image.png", samples::png()}}))).has_value());
    EXPECT_FALSE(readFlatRtfd("{\\rtf1 not flat}").has_value());
}

} // namespace
} // namespace snipstack::richtext
