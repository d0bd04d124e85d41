#include "app/system/ShortcutRecording.h"

#include "app/system/ApplyHotKey.h"
#include "app/system/HotKeyCenter.h"
#include "app/system/KeyCodes.h"
#include "app/system/Preferences.h"

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

// A stand-in for the X server's grabs: one registration at a time, some combinations held by others.
class ShortcutRecordingTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    Preferences preferences{directory.filePath("Snipstack.conf")};
    std::vector<HotKey> takenByOthers;
    std::optional<HotKey> registered = HotKey::standard();

    bool registerHotKey(const HotKey& hotKey) {
        registered.reset();
        if (std::find(takenByOthers.begin(), takenByOthers.end(), hotKey) != takenByOthers.end()) {
            return false;
        }
        registered = hotKey;
        return true;
    }

    std::unique_ptr<ShortcutRecording> record() {
        return std::make_unique<ShortcutRecording>(
            [this] { registered.reset(); },
            [this](const std::optional<HotKey>& hotKey) {
                return applyHotKey(hotKey, preferences,
                                   [this](const HotKey& k) { return registerHotKey(k); });
            });
    }
};

TEST_F(ShortcutRecordingTest, KeysWithoutCtrlAltOrSuperBeepUntilOneRecordsWithOnlyModifierBits) {
    const auto recording = record();
    EXPECT_FALSE(registered) << "the current shortcut must not fire while recording";
    for (const std::uint64_t modifiers : {HotKey::shift, std::uint64_t(0), capsLockBit | functionBit}) {
        const auto result = recording->keyDown(0, modifiers, "a");
        EXPECT_EQ(result.outcome, ShortcutRecording::KeyOutcome::refused);
        EXPECT_FALSE(result.applied);
        EXPECT_TRUE(recording->isRecording());
        EXPECT_FALSE(registered);
    }

    const auto result =
        recording->keyDown(0, HotKey::option | HotKey::shift | capsLockBit | functionBit, "a");
    EXPECT_EQ(result.outcome, ShortcutRecording::KeyOutcome::recorded);
    ASSERT_TRUE(result.applied);
    EXPECT_TRUE(result.applied->registered);
    EXPECT_FALSE(result.applied->alert);
    const HotKey expected{0, HotKey::option | HotKey::shift, "A"};
    EXPECT_EQ(preferences.hotKey(), expected);
    EXPECT_EQ(preferences.hotKey().display(), "Alt+Shift+A");
    EXPECT_EQ(registered, expected);
    EXPECT_FALSE(recording->isRecording());
    EXPECT_EQ(recording->keyDown(2, HotKey::command, "d").outcome, ShortcutRecording::KeyOutcome::ignored);
    EXPECT_EQ(preferences.hotKey(), expected);
}

TEST_F(ShortcutRecordingTest, EscapeCancelOrDestructionRegistersTheSavedShortcutAgain) {
    const auto escaped = record()->keyDown(53, HotKey::command, "\x1b");
    EXPECT_EQ(escaped.outcome, ShortcutRecording::KeyOutcome::cancelled);
    ASSERT_TRUE(escaped.applied);
    EXPECT_TRUE(escaped.applied->registered);
    EXPECT_FALSE(escaped.applied->alert);
    EXPECT_EQ(registered, HotKey::standard());

    auto recording = record();
    const auto cancelled = recording->cancel();
    ASSERT_TRUE(cancelled);
    EXPECT_TRUE(cancelled->registered);
    EXPECT_FALSE(recording->cancel());

    record();
    EXPECT_EQ(registered, HotKey::standard());
    EXPECT_EQ(preferences.hotKey(), HotKey::standard());
}

TEST_F(ShortcutRecordingTest, ShortcutHeldElsewhereAlertsAndKeepsTheOldOne) {
    takenByOthers.push_back({40, HotKey::control | HotKey::option, "K"});
    const auto result = record()->keyDown(40, HotKey::control | HotKey::option, "k");
    EXPECT_EQ(result.outcome, ShortcutRecording::KeyOutcome::recorded);
    ASSERT_TRUE(result.applied);
    EXPECT_TRUE(result.applied->registered);
    const HotKeyAlert alert{"Shortcut unavailable", "That key combination is already used by another app."};
    EXPECT_EQ(result.applied->alert, alert);
    EXPECT_EQ(registered, HotKey::standard());
    EXPECT_EQ(preferences.hotKey(), HotKey::standard());

    // When even the saved shortcut is taken nothing is registered, and only a new one alerts.
    takenByOthers.push_back(HotKey::standard());
    const HotKeyApplied applied =
        applyHotKey(std::nullopt, preferences, [this](const HotKey& k) { return registerHotKey(k); });
    EXPECT_FALSE(applied.registered);
    EXPECT_FALSE(applied.alert);
}

TEST(KeyCodesTest, EveryKnownKeyRoundTripsThroughItsKeysym) {
    int known = 0;
    for (std::uint32_t keyCode = 0; keyCode < 128; ++keyCode) {
        if (const auto keysym = keycodes::keysymForKeyCode(keyCode)) {
            ++known;
            EXPECT_EQ(keycodes::keyCodeForKeysym(*keysym), keyCode) << keyCode;
        }
    }
    EXPECT_EQ(known, 74);
    EXPECT_EQ(keycodes::keysymForKeyCode(2), std::uint32_t(XK_d));
    EXPECT_EQ(keycodes::keysymForKeyCode(96), std::uint32_t(XK_F5));
    EXPECT_EQ(keycodes::keysymForKeyCode(10), std::nullopt);
    // Key position, not the character: shifted keysyms name the same key.
    EXPECT_EQ(keycodes::keyCodeForKeysym(XK_D), 2u);
    EXPECT_EQ(keycodes::keyCodeForKeysym(XK_exclam), 18u);
    EXPECT_EQ(keycodes::keyCodeForKeysym(XK_Print), std::nullopt);
}

TEST(KeyCodesTest, ModifierBitsMapToXMasksAndLocksAreDropped) {
    const std::uint64_t all = HotKey::shift | HotKey::control | HotKey::option | HotKey::command;
    EXPECT_EQ(keycodes::xModifierMask(all | capsLockBit | functionBit),
              XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    EXPECT_EQ(keycodes::modifiersFromXMask(XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK),
              HotKey::option);
    EXPECT_EQ(keycodes::modifiersFromXMask(keycodes::xModifierMask(all)), all);
}

TEST(HotKeyCenterOffscreenTest, RegisteringFailsWhenQtDoesNotRunOnX11) {
    EXPECT_FALSE(HotKeyCenter::shared().registerHotKey(2, HotKey::command));
    EXPECT_FALSE(HotKeyCenter::shared().isRegistered());
}

} // namespace
} // namespace snipstack
