#include "core/richtext/WebArchive.h"

#include "core/values/PropertyList.h"

#include <gtest/gtest.h>

namespace snipstack::richtext {
namespace {

plist::Value resource(Bytes data, std::string url, std::string mimeType, std::string encoding = {}) {
    plist::Dictionary dictionary{{"WebResourceData", std::move(data)},
                                 {"WebResourceURL", std::move(url)},
                                 {"WebResourceMIMEType", std::move(mimeType)}};
    if (!encoding.empty()) {
        dictionary.emplace_back("WebResourceTextEncodingName", std::move(encoding));
    }
    return dictionary;
}

TEST(WebArchive, ReadsThePageInItsEncodingWithSubresourcesOfEveryFrame) {
    const plist::Dictionary frame{
        {"WebMainResource", resource(bytesOf("<p>frame</p>"), "https://x.org/f", "text/html")},
        {"WebSubresources", plist::Array{resource(Bytes{2}, "https://x.org/b.png", "image/png")}}};
    const plist::Dictionary archive{
        {"WebMainResource", resource(bytesOf("<p>Caf\xE9 <img src=\"a.png\"></p>"), "https://x.org/",
                                     "text/html", "ISO-8859-1")},
        {"WebSubresources",
         plist::Array{resource(Bytes{1}, "https://x.org/a.png", "image/png"), plist::Value(3)}},
        {"WebSubframeArchives", plist::Array{frame}}};
    const auto read = readWebArchive(viewOf(plist::encode(archive)));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->html, "<p>Café <img src=\"a.png\"></p>");
    EXPECT_EQ(read->url, "https://x.org/");
    ASSERT_EQ(read->subresources.size(), 2u);
    EXPECT_EQ(read->subresources.at("https://x.org/a.png").data, Bytes{1});
    EXPECT_EQ(read->subresources.at("https://x.org/b.png").mimeType, "image/png");
}

TEST(WebArchive, ShowsPlainTextAndRefusesWhatIsNoPage) {
    const auto archive = [](plist::Value main) {
        return readWebArchive(viewOf(plist::encode(plist::Dictionary{{"WebMainResource", std::move(main)}})));
    };
    EXPECT_EQ(archive(resource(bytesOf("a<b>&"), "", "text/plain", "utf-8"))->html,
              "<pre>a&lt;b&gt;&amp;</pre>");
    EXPECT_FALSE(archive(resource(Bytes{1}, "", "image/png")).has_value());
    EXPECT_FALSE(archive(resource(bytesOf("x"), "", "text/html", "no-such-encoding")).has_value());
    EXPECT_FALSE(archive(plist::Value("not a dictionary")).has_value());
    EXPECT_FALSE(readWebArchive("bplist00 broken").has_value());
}

} // namespace
} // namespace snipstack::richtext
