#include "core/richtext/HtmlAnchorNames.h"

#include <gtest/gtest.h>

using namespace snipstack::richtext;

TEST(HtmlAnchorNames, FewAreKeptAsTheyAre) {
    const std::string html = "<h1 id=top>Title</h1><p><a name=\"x\">here</a></p>";
    EXPECT_EQ(withoutManyAnchorNames(html, 2), html);
}

TEST(HtmlAnchorNames, ManyAreRenamedAway) {
    const auto stripped = [](std::string_view html) { return withoutManyAnchorNames(html, 0); };
    // Ids on any element however written, names on links only.
    EXPECT_EQ(stripped("<p id=\"a\" class=b>x</p><DIV ID='c'>y</DIV><h2 title=t id=d/>"),
              "<p xx=\"a\" class=b>x</p><DIV xx='c'>y</DIV><h2 title=t xx=d/>");
    EXPECT_EQ(stripped("<a name=n href=\"#n\">go</a><a\nname = \"m\">"),
              "<a xxxx=n href=\"#n\">go</a><a\nxxxx = \"m\">");
    EXPECT_EQ(stripped("<meta name=\"qrichtext\" content=\"1\" /><input name=q>"),
              "<meta name=\"qrichtext\" content=\"1\" /><input name=q>");
    // Attributes that only look alike, and values holding what looks like markup.
    EXPECT_EQ(stripped("<p data-id=1 idx=2 title=\"id=3 >\" valid>id=4</p>"),
              "<p data-id=1 idx=2 title=\"id=3 >\" valid>id=4</p>");
    // Comments, scripts and styles are not markup; end tags and declarations have no attributes.
    EXPECT_EQ(
        stripped("<!DOCTYPE html><!-- <p id=a> --><style>#b{}</style><script>x='<p id=c>'</script></p id=d>"),
        "<!DOCTYPE html><!-- <p id=a> --><style>#b{}</style><script>x='<p id=c>'</script></p id=d>");
    EXPECT_EQ(stripped("a < b and <3 <p id=e>"), "a < b and <3 <p xx=e>");
}

TEST(HtmlAnchorNames, CutShortMarkupEnds) {
    EXPECT_EQ(withoutManyAnchorNames("<p id=\"unclosed", 0), "<p xx=\"unclosed");
    for (const std::string_view html : {"<p id=", "<p id", "<!-- open", "<script>x", "<", "<p ="}) {
        EXPECT_EQ(withoutManyAnchorNames(html, 0).size(), html.size()) << html;
    }
}
