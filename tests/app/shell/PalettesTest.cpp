#include "app/shell/Palettes.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

TEST(PalettesTest, LightAndDarkColourTheWindowsAndSystemHandsThemBack) {
    const QPalette platform = QGuiApplication::palette();
    applyPalette(ThemeChoice::dark);
    const QPalette dark = QGuiApplication::palette();
    EXPECT_LT(dark.color(QPalette::Window).lightness(), 80);
    EXPECT_GT(dark.color(QPalette::WindowText).lightness(), 200);
    // Disabled text stays legible but set apart from enabled text.
    EXPECT_NE(dark.color(QPalette::Disabled, QPalette::Text), dark.color(QPalette::Active, QPalette::Text));

    applyPalette(ThemeChoice::light);
    EXPECT_GT(QGuiApplication::palette().color(QPalette::Window).lightness(), 200);
    EXPECT_LT(QGuiApplication::palette().color(QPalette::WindowText).lightness(), 80);

    applyPalette(ThemeChoice::system);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Window), platform.color(QPalette::Window));
}

} // namespace
} // namespace snipstack
