#include "app/settings/OnboardingView.h"

#include "app/settings/StepMarker.h"
#include "app/settings/ToggleSwitch.h"
#include "tests/support/ModelTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace snipstack::testing {
namespace {

using OnboardingViewTest = ModelFixture;

TEST_F(OnboardingViewTest, TitleTellsAFirstRunFromAFinishedOne) {
    AppModel& app = makeModel();
    OnboardingView view(app, [] {});
    auto* title = view.findChild<QLabel*>("onboardingTitle");
    EXPECT_EQ(title->text(), "Welcome to Snipstack");
    app.preferences().setOnboardingDone(true);
    EXPECT_EQ(title->text(), "Finish setting up Snipstack");
    EXPECT_TRUE(
        view.findChild<QLabel*>("onboardingIntroduction")->text().startsWith("Press Shift+Super+V anywhere"));
}

TEST_F(OnboardingViewTest, AnswersReachTheModelAndContinueIsOfferedOnlyWithoutAShortcut) {
    AppModel& app = makeModel();
    int closes = 0;
    OnboardingView view(app, [&closes] { ++closes; });

    auto* storageMarker = view.findChild<StepMarker*>("storageMarker");
    EXPECT_FALSE(storageMarker->isDone());
    view.findChild<QRadioButton*>("chooseMemoryOnly")->click();
    EXPECT_EQ(app.setupStorageChoice(), std::optional(false));
    EXPECT_TRUE(storageMarker->isDone());
    auto* launch = view.findChild<ToggleSwitch*>("setupLaunchAtLogin");
    EXPECT_TRUE(launch->isChecked());
    launch->click();
    EXPECT_FALSE(app.setupLaunchAtLogin());

    auto* continueButton = view.findChild<QPushButton*>("continue");
    app.setHotKeyRegistered(true);
    EXPECT_TRUE(continueButton->isHidden());
    app.setHotKeyRegistered(false);
    EXPECT_FALSE(continueButton->isHidden());
    continueButton->click();
    EXPECT_EQ(closes, 1);
}

TEST_F(OnboardingViewTest, PermissionGrantedElsewhereChecksStepOneAndBringsTheWindowForward) {
    desktop.granted = false;
    AppModel& app = makeModel();
    app.checkAccessibility();
    OnboardingView view(app, [] {});
    int bringForwards = 0;
    QObject::connect(&view, &OnboardingView::bringForwardRequested, [&bringForwards] { ++bringForwards; });
    view.show();
    auto* marker = view.findChild<StepMarker*>("accessMarker");
    EXPECT_FALSE(marker->isDone());

    desktop.granted = true;
    EXPECT_TRUE(waitUntil([&] { return bringForwards == 1; }, std::chrono::seconds(3)));
    EXPECT_TRUE(marker->isDone());

    // Closed, the window stops asking.
    view.hide();
    desktop.granted = false;
    runEventsFor(std::chrono::milliseconds(1300));
    EXPECT_TRUE(app.accessibilityGranted());
}

} // namespace
} // namespace snipstack::testing
