#include "app/shell/StatusItemController.h"

#include "app/shell/AppWindows.h"
#include "tests/support/ModelTestSupport.h"

#include <QAction>
#include <QMenu>

namespace snipstack::testing {
namespace {

// The tray icon as the program makes it: through the window registry, which then makes the windows
// the icon opens.
class StatusItemControllerTest : public ModelFixture {
protected:
    AppWindows appWindows;
    std::unique_ptr<StatusItem> made;

    StatusItemController& makeItem() {
        made = appWindows.makeStatusItem(*model);
        return static_cast<StatusItemController&>(*made);
    }
};

TEST_F(StatusItemControllerTest, TheMenuResumesCaptureAndTakesInWhatIsOnTheClipboard) {
    startModel();
    StatusItemController& item = makeItem();
    EXPECT_EQ(item.makeMenu()->actions().first()->text(), "Pause Capture");

    model->togglePause();
    model->monitor().lastChangeCount = pasteboard.changeCount();
    const auto menu = item.makeMenu();
    const QStringList texts = [&] {
        QStringList all;
        for (const QAction* action : menu->actions()) {
            all << action->text();
        }
        return all;
    }();
    EXPECT_EQ(texts, (QStringList{"Resume Capture", "", "Settings…", "Help and Feedback", "About Snipstack",
                                  "", "Quit Snipstack"}));
    menu->actions().first()->trigger();
    EXPECT_FALSE(model->capturePaused());
    EXPECT_EQ(model->monitor().lastChangeCount, -1);
}

TEST_F(StatusItemControllerTest, BeforeTheFirstRunEndsAnyClickShowsTheFirstRunWindow) {
    desktop.granted = false;
    makeModel().launch();
    StatusItemController& item = makeItem();
    appWindows.closeWindow(AppWindows::onboarding);
    item.clicked(QSystemTrayIcon::Context);
    EXPECT_TRUE(appWindows.isWindowVisible(AppWindows::onboarding));
    appWindows.closeWindow(AppWindows::onboarding);
}

TEST_F(StatusItemControllerTest, TheIconFollowsThePreferenceAndHidingItAsksFirst) {
    startModel();
    StatusItemController& item = makeItem();
    alerts.answer = 1;
    EXPECT_FALSE(model->confirmHideMenuBarIcon());
    EXPECT_TRUE(model->preferences().showMenuBarIcon());
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(
        alerts.shown[0].informativeText,
        "Snipstack keeps running and Shift+Super+V still opens your clipboard. To get back to Settings, "
        "open Snipstack from your applications menu.");

    alerts.answer = 0;
    EXPECT_TRUE(model->confirmHideMenuBarIcon());
    EXPECT_FALSE(item.statusItem().isVisible());
    model->setShowMenuBarIcon(true);
    EXPECT_TRUE(item.statusItem().isVisible());
}

} // namespace
} // namespace snipstack::testing
