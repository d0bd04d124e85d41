#include "app/shell/Palettes.h"

#include <QGuiApplication>
#include <QPalette>

namespace snipstack {
namespace {

// The colours a palette is built from.
struct Scheme {
    QRgb window;
    QRgb text;
    QRgb base;
    QRgb alternateBase;
    QRgb button;
    QRgb highlight;
    QRgb highlightedText;
    QRgb link;
    QRgb linkVisited;
    QRgb toolTipBase;
    QRgb placeholderText;
    QRgb disabledText;
    QRgb disabledHighlight;
};

constexpr Scheme lightScheme{.window = 0xffefefef,
                             .text = 0xff1e1e1e,
                             .base = 0xffffffff,
                             .alternateBase = 0xfff5f5f5,
                             .button = 0xffe8e8e8,
                             .highlight = 0xff3072c8,
                             .highlightedText = 0xffffffff,
                             .link = 0xff0b57d0,
                             .linkVisited = 0xff7b3fb5,
                             .toolTipBase = 0xffffffdc,
                             .placeholderText = 0xff808080,
                             .disabledText = 0xffa0a0a0,
                             .disabledHighlight = 0xffc8c8c8};

constexpr Scheme darkScheme{.window = 0xff2d2d2d,
                            .text = 0xffeeeeee,
                            .base = 0xff1e1e1e,
                            .alternateBase = 0xff262626,
                            .button = 0xff3a3a3a,
                            .highlight = 0xff3d7dd8,
                            .highlightedText = 0xffffffff,
                            .link = 0xff7fb2ff,
                            .linkVisited = 0xffc3a0ff,
                            .toolTipBase = 0xff3a3a3a,
                            .placeholderText = 0xff8c8c8c,
                            .disabledText = 0xff7a7a7a,
                            .disabledHighlight = 0xff4a4a4a};

QPalette paletteFor(const Scheme& scheme) {
    QPalette palette{QColor(scheme.button), QColor(scheme.window)};
    // The constructor sets window and button and derives the bevel shades; setColor without a group
    // sets every group, so the disabled one is adjusted after.
    const auto set = [&](QPalette::ColorRole role, QRgb colour) { palette.setColor(role, QColor(colour)); };
    set(QPalette::WindowText, scheme.text);
    set(QPalette::Base, scheme.base);
    set(QPalette::AlternateBase, scheme.alternateBase);
    set(QPalette::Text, scheme.text);
    set(QPalette::ButtonText, scheme.text);
    set(QPalette::BrightText, 0xffff5555);
    set(QPalette::Highlight, scheme.highlight);
    set(QPalette::HighlightedText, scheme.highlightedText);
    set(QPalette::Link, scheme.link);
    set(QPalette::LinkVisited, scheme.linkVisited);
    set(QPalette::ToolTipBase, scheme.toolTipBase);
    set(QPalette::ToolTipText, scheme.text);
    set(QPalette::PlaceholderText, scheme.placeholderText);
    for (const auto role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Disabled, role, QColor(scheme.disabledText));
    }
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(scheme.disabledHighlight));
    return palette;
}

} // namespace

void applyPalette(ThemeChoice theme) {
    switch (theme) {
    case ThemeChoice::system:
        // A palette with no roles set hands the colours back to the platform theme.
        QGuiApplication::setPalette(QPalette());
        break;
    case ThemeChoice::light:
        QGuiApplication::setPalette(paletteFor(lightScheme));
        break;
    case ThemeChoice::dark:
        QGuiApplication::setPalette(paletteFor(darkScheme));
        break;
    }
}

} // namespace snipstack
