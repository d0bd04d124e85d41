#include "app/shell/WindowContents.h"

#include "app/settings/AboutView.h"
#include "app/settings/OnboardingView.h"
#include "app/settings/SettingsView.h"
#include "app/shell/AppWindows.h"

#include <QObject>

namespace snipstack {

WindowContent makeWindowContent(const QString& identifier, AppModel& model, AppWindows& windows) {
    if (identifier == AppWindows::onboarding) {
        auto* view = new OnboardingView(model, [&windows] { windows.closeWindow(AppWindows::onboarding); });
        // Access granted in another window: the user comes back to finish here.
        QObject::connect(view, &OnboardingView::bringForwardRequested, &windows,
                         [&windows] { windows.showWindow(AppWindows::onboarding); });
        return {view, QStringLiteral("Snipstack"), {}};
    }
    if (identifier == AppWindows::settings) {
        return {new SettingsView(model), QStringLiteral("Snipstack Settings"), QSize(520, 600)};
    }
    if (identifier == AppWindows::about) {
        return {new AboutView, QStringLiteral("About Snipstack"), {}};
    }
    return {};
}

} // namespace snipstack
