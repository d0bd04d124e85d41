#include "app/system/shortcut/HotKey.h"

#include <gtest/gtest.h>

using namespace snipstack;

namespace {

TEST(HotKeyTest, DisplaysLinuxKeyNamesInFixedOrder) {
    const std::uint64_t all = HotKey::shift | HotKey::control | HotKey::option | HotKey::command;
    const struct {
        HotKey hotKey;
        std::string display;
        std::vector<std::string> parts;
    } cases[] = {
        {HotKey::standard(), "Shift+Super+V", {"Shift", "Super", "V"}},
        {{2, HotKey::command, "D"}, "Super+D", {"Super", "D"}},
        {{0, HotKey::option | HotKey::shift, "A"}, "Alt+Shift+A", {"Alt", "Shift", "A"}},
        {{49, HotKey::command, "Space"}, "Super+Space", {"Super", "Space"}},
        {{40, all | 0x10000, "K"}, "Ctrl+Alt+Shift+Super+K", {"Ctrl", "Alt", "Shift", "Super", "K"}},
        {{96, 0, "Key 96"}, "Key 96", {"Key 96"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.hotKey.display(), c.display);
        EXPECT_EQ(c.hotKey.displayParts(), c.parts);
    }
}

TEST(HotKeyTest, JsonRoundTripsEveryField) {
    for (const HotKey& hotKey :
         {HotKey::standard(), HotKey{4294967295u, HotKey::control | HotKey::shift, "↩"}}) {
        EXPECT_EQ(HotKey::fromJson(hotKey.toJson()), hotKey);
    }
    EXPECT_EQ(HotKey::fromJson(R"({"key":"V","modifiers":1179648,"keyCode":9,"extra":true})"),
              HotKey::standard());
}

TEST(HotKeyTest, RefusesMalformedJson) {
    for (const char* json : {
             "",
             "not json",
             "[2, 1048576, \"D\"]",
             R"({"modifiers":1048576,"key":"D"})",
             R"({"keyCode":"2","modifiers":1048576,"key":"D"})",
             R"({"keyCode":2,"modifiers":true,"key":"D"})",
             R"({"keyCode":2,"modifiers":1048576,"key":4})",
             R"({"keyCode":-1,"modifiers":1048576,"key":"D"})",
             R"({"keyCode":2.5,"modifiers":1048576,"key":"D"})",
             R"({"keyCode":4294967296,"modifiers":1048576,"key":"D"})",
             R"({"keyCode":2,"modifiers":-1048576,"key":"D"})",
             R"({"keyCode":2,"modifiers":1e300,"key":"D"})",
         }) {
        EXPECT_EQ(HotKey::fromJson(json), std::nullopt) << json;
    }
}

} // namespace
