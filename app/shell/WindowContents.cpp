#include "app/shell/WindowContents.h"

#include "app/shell/AppWindows.h"

#include <QLabel>

namespace snipstack {

WindowContent makeWindowContent(const QString& identifier, AppModel&, AppWindows&) {
    if (identifier == AppWindows::onboarding) {
        return {new QLabel(QStringLiteral("Welcome to Snipstack")), QStringLiteral("Snipstack"), {}};
    }
    if (identifier == AppWindows::settings) {
        return {new QLabel(QStringLiteral("Settings")), QStringLiteral("Snipstack Settings"),
                QSize(520, 600)};
    }
    if (identifier == AppWindows::about) {
        return {new QLabel(QStringLiteral("Snipstack")), QStringLiteral("About Snipstack"), {}};
    }
    return {};
}

} // namespace snipstack
