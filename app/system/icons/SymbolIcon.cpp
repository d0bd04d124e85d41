#include "app/system/icons/SymbolIcon.h"

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
    // The freedesktop icon-naming name, looked up in the user's icon theme first.
    const char* themeName;
};

// Fallback drawings are the resources ":/symbols/<name>.svg".
constexpr std::array symbols{
    Symbol{"gearshape", "preferences-system"},
};

} // namespace

QIcon symbolIcon(std::string_view name) {
    loadIconResources();
    for (const Symbol& symbol : symbols) {
        if (symbol.name == name) {
            const QString fallback = QStringLiteral(":/symbols/%1.svg").arg(QString::fromLatin1(name));
            return QIcon::fromTheme(QString::fromLatin1(symbol.themeName), QIcon(fallback));
        }
    }
    return {};
}

QIcon applicationIcon() {
    loadIconResources();
    return QIcon(QStringLiteral(":/snipstack.svg"));
}

} // namespace snipstack
