#include "app/model/ShortcutRecording.h"

#include "app/model/ApplyHotKey.h"
#include "app/system/preferences/Preferences.h"
#include "app/system/shortcut/KeyCodes.h"

#include <QTemporaryDir>
#include <X11/keysym.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>
#include <xcb/xproto.h>

namespace snipstack {
namespace {

constexpr std::uint64_t capsLockBit = 0x10000;
constexpr std::uint64_t functionBit = 0x800000;
using Outcome = ShortcutRecording::KeyOutcome;

// A stand-in for the X server's grabs: one registration at a time, some combinations held by others.
class ShortcutRecordingTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    Preferences preferences{directory.filePath("Snipstack.conf")};
    std::vector<HotKey> takenByOthers;
    std::optional<HotKey> registered = HotKey::standard();
    const HotKeyRegistrar registrar = [this](const HotKey& hotKey) {
        registered = std::ranges::count(takenByOthers, hotKey) ? std::nullopt : std::optional(hotKey);
        return registered.has_value();
    };

    std::unique_ptr<ShortcutRecording> record() {
        return std::make_unique<ShortcutRecording>(
            [this] { registered.reset(); },
            [this](const auto& h) { return applyHotKey(h, preferences, registrar); });
    }
};

TEST_F(ShortcutRecordingTest, OnlyKeysWithCtrlAltOrSuperRecordAndOnlyTheirModifierBitsAreKept) {
    const auto recording = record();
    for (const std::uint64_t modifiers : {HotKey::shift, std::uint64_t(0), capsLockBit | functionBit}) {
        EXPECT_EQ(recording->keyDown(0, modifiers, "a").outcome, Outcome::refused);
    }
    EXPECT_FALSE(registered) << "the current shortcut must not fire while recording";

    const auto result =
        recording->keyDown(0, HotKey::option | HotKey::shift | capsLockBit | functionBit, "a");
    EXPECT_EQ(result.outcome, Outcome::recorded);
    EXPECT_TRUE(result.applied.value().registered && !result.applied->alert);
    EXPECT_EQ(preferences.hotKey().display(), "Alt+Shift+A");
    EXPECT_EQ(registered, (HotKey{0, HotKey::option | HotKey::shift, "A"}));
    EXPECT_EQ(registered, preferences.hotKey());
    EXPECT_EQ(recording->keyDown(2, HotKey::command, "d").outcome, Outcome::ignored);
}

TEST_F(ShortcutRecordingTest, EscapeCancelOrDestructionRegistersTheSavedShortcutAgain) {
    const auto escaped = record()->keyDown(53, HotKey::command, "\x1b");
    EXPECT_EQ(escaped.outcome, Outcome::cancelled);
    EXPECT_TRUE(escaped.applied.value().registered && !escaped.applied->alert);
    EXPECT_EQ(registered, HotKey::standard());

    EXPECT_TRUE(record()->cancel().value().registered);

    record();
    EXPECT_EQ(registered, HotKey::standard());
    EXPECT_EQ(preferences.hotKey(), HotKey::standard());
}

TEST_F(ShortcutRecordingTest, ShortcutHeldElsewhereAlertsAndKeepsTheOldOne) {
    takenByOthers.push_back({40, HotKey::control | HotKey::option, "K"});
    const auto result = record()->keyDown(40, HotKey::control | HotKey::option, "k");
    EXPECT_TRUE(result.applied.value().registered);
    EXPECT_TRUE(result.applied->alert);
    EXPECT_EQ(registered, HotKey::standard());
    EXPECT_EQ(preferences.hotKey(), HotKey::standard());
}

TEST(KeyCodesTest, KeyTableAndModifierMasksRoundTrip) {
    for (std::uint32_t keyCode = 0; keyCode < 128; ++keyCode) {
        if (const auto keysym = keycodes::keysymForKeyCode(keyCode)) {
            EXPECT_EQ(keycodes::keyCodeForKeysym(*keysym), keyCode) << keyCode;
        }
    }
    // Key position, not the character: shifted keysyms name the same key.
    EXPECT_EQ(keycodes::keyCodeForKeysym(XK_exclam), 18u);

    const std::uint64_t all = HotKey::shift | HotKey::control | HotKey::option | HotKey::command;
    EXPECT_EQ(keycodes::xModifierMask(all | capsLockBit | functionBit),
              XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    EXPECT_EQ(keycodes::modifiersFromXMask(XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK),
              HotKey::option);
}

} // namespace
} // namespace snipstack
