#include "app/system/icons/SymbolIcon.h"

#include <QPainter>
#include <QPixmapCache>
#include <QString>
#include <array>

// The drawings sit in this static library's resources, which only a call links in.
static void loadIconResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)loaded;
}

namespace snipstack {

namespace {

struct Symbol {
    std::string_view name;
    // The freedesktop icon-naming name, looked up in the user's icon theme first; none where the
    // drawing's colour carries its meaning, which a monochrome theme icon would lose, and where the
    // freedesktop icon names hold no icon of that meaning (the image editor's tools).
    const char* themeName;
};

// Fallback drawings are the resources ":/symbols/<name>.svg".
constexpr std::array symbols{
    Symbol{"arrow.down.and.line.horizontal.and.arrow.up", "view-restore"},
    Symbol{"arrow.up.and.line.horizontal.and.arrow.down", "view-fullscreen"},
    Symbol{"arrow.up.left.and.down.right.magnifyingglass", "zoom-fit-best"},
    Symbol{"arrow.uturn.backward", "edit-undo"},
    Symbol{"bold", "format-text-bold"},
    Symbol{"character.cursor.ibeam", nullptr},
    Symbol{"checkmark.circle.fill", nullptr},
    Symbol{"crop", nullptr},
    Symbol{"doc", "text-x-generic"},
    Symbol{"doc.on.clipboard", "edit-paste"},
    Symbol{"doc.text", "text-x-generic"},
    Symbol{"exclamationmark.triangle", "dialog-warning"},
    Symbol{"eye.fill", "view-visible"},
    Symbol{"eye.slash", "view-hidden"},
    Symbol{"gearshape", "preferences-system"},
    Symbol{"highlighter", nullptr},
    Symbol{"italic", "format-text-italic"},
    Symbol{"lock.fill", "changes-prevent"},
    Symbol{"lock.shield", "security-high"},
    Symbol{"magnifyingglass", "edit-find"},
    Symbol{"minus.magnifyingglass", "zoom-out"},
    Symbol{"pencil.tip", nullptr},
    Symbol{"photo", "image-x-generic"},
    Symbol{"pin.fill", "view-pin"},
    Symbol{"plus.magnifyingglass", "zoom-in"},
    Symbol{"underline", "format-text-underline"},
    Symbol{"xmark.circle.fill", "window-close"},
};

} // namespace

QIcon symbolIcon(std::string_view name) {
    loadIconResources();
    for (const Symbol& symbol : symbols) {
        if (symbol.name == name) {
            const QIcon drawing(QStringLiteral(":/symbols/%1.svg").arg(QString::fromLatin1(name)));
            return symbol.themeName ? QIcon::fromTheme(QString::fromLatin1(symbol.themeName), drawing)
                                    : drawing;
        }
    }
    return {};
}

QPixmap symbolPixmap(std::string_view symbol, int size, const QColor& colour, qreal devicePixelRatio) {
    const QString key = QStringLiteral("snipstack-symbol-%1-%2-%3-%4")
                            .arg(QLatin1String(symbol.data(), qsizetype(symbol.size())))
                            .arg(size)
                            .arg(colour.rgba())
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    const int pixels = qRound(size * devicePixelRatio);
    pixmap = symbolIcon(symbol).pixmap(QSize(pixels, pixels));
    if (pixmap.isNull()) {
        return pixmap;
    }
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon tintedSymbol(std::string_view symbol, const QColor& colour,
                   const std::optional<QColor>& disabledColour) {
    QIcon icon;
    for (const int size : {16, 32}) {
        icon.addPixmap(symbolPixmap(symbol, size, colour, 1.0));
        if (disabledColour) {
            icon.addPixmap(symbolPixmap(symbol, size, *disabledColour, 1.0), QIcon::Disabled);
        }
    }
    return icon;
}

QIcon applicationIcon() {
    loadIconResources();
    return QIcon(QStringLiteral(":/snipstack.svg"));
}

} // namespace snipstack
