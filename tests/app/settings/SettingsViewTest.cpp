#include "app/settings/SettingsView.h"

#include "app/settings/ToggleSwitch.h"
#include "tests/support/ModelTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace snipstack::testing {
namespace {

class SettingsViewTest : public ModelFixture {
protected:
    template <typename T> T* find(const SettingsView& view, const char* name) {
        T* child = view.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
};

TEST_F(SettingsViewTest, ControlsWriteThroughAndShowChangesMadeElsewhere) {
    AppModel& app = startModel();
    Preferences& preferences = app.preferences();
    SettingsView view(app);

    find<ToggleSwitch>(view, "plainTextTiles")->click();
    EXPECT_TRUE(preferences.plainTextTiles());
    preferences.setSkipConcealed(false);
    EXPECT_FALSE(find<ToggleSwitch>(view, "skipConcealed")->isChecked());

    // The pickers list their choices in the form's order, not the stored enumeration's.
    auto* placement = find<QComboBox>(view, "panelPlacement");
    emit placement->activated(1);
    EXPECT_EQ(preferences.panelPlacement(), PanelPlacement::center);
    emit find<QComboBox>(view, "click-shift")->activated(4);
    EXPECT_EQ(preferences.action(ClickKind::shift), ItemAction::remove);
    emit find<QComboBox>(view, "cipher")->activated(2);
    EXPECT_EQ(preferences.cipher(), Cipher::chaCha20Poly1305);
    find<QPushButton>(view, "resetPanelPosition")->click();
    EXPECT_EQ(placement->currentIndex(), 0);

    find<QSpinBox>(view, "maxItems")->setValue(1200);
    EXPECT_EQ(preferences.maxItems(), 1200);
    auto* days = find<QSpinBox>(view, "expiryDays");
    EXPECT_FALSE(days->isEnabled());
    find<ToggleSwitch>(view, "expiryEnabled")->click();
    EXPECT_TRUE(preferences.expiryEnabled());
    EXPECT_TRUE(days->isEnabled());
    days->setValue(1);
    EXPECT_EQ(days->text(), "1 day");
    EXPECT_TRUE(find<QLabel>(view, "historyFooter")->text().contains("checked once a minute"));

    // A refused login item and a cancelled hide leave the switches showing what is true.
    desktop.launchAtLoginChanges = false;
    auto* launch = find<ToggleSwitch>(view, "launchAtLogin");
    launch->click();
    EXPECT_FALSE(launch->isChecked());
    alerts.answer = 1;
    auto* menuBarIcon = find<ToggleSwitch>(view, "showMenuBarIcon");
    menuBarIcon->click();
    EXPECT_TRUE(menuBarIcon->isChecked());
    EXPECT_TRUE(preferences.showMenuBarIcon());
}

TEST_F(SettingsViewTest, CancellingMemoryOnlyLeavesTheSwitchOnAndTheStoreUntouched) {
    AppModel& app = startModel();
    add("kept");
    const auto storeBefore = app.diskStore()->directory();
    SettingsView view(app);
    alerts.answer = 1;

    auto* persistent = find<ToggleSwitch>(view, "persistent");
    persistent->click();

    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Keep history in memory only?");
    EXPECT_TRUE(persistent->isChecked());
    EXPECT_TRUE(app.preferences().persistent());
    ASSERT_TRUE(app.diskStore().has_value());
    EXPECT_EQ(app.diskStore()->directory(), storeBefore);
    EXPECT_TRUE(std::filesystem::exists(storeBefore));
    EXPECT_EQ(textsOf(app.items()), std::vector<std::string>{"kept"});
    EXPECT_TRUE(find<QLabel>(view, "storageStatus")->text().endsWith("1 item stored."));
}

TEST_F(SettingsViewTest, MemoryOnlyInTheDefaultLocationHasNoRotationDateNorWayBack) {
    AppModel& app = startModel(false);
    SettingsView view(app);

    EXPECT_EQ(find<QLabel>(view, "lastRotation")->text(), "—");
    EXPECT_EQ(find<QLabel>(view, "dataFile")->text(), "Default location");
    EXPECT_TRUE(find<QPushButton>(view, "moveBackToDefault")->isHidden());
    EXPECT_FALSE(find<ToggleSwitch>(view, "persistent")->isChecked());
}

TEST_F(SettingsViewTest, AChosenFolderIsShownUntilMovedBackAndMemoryOnlyIsConfirmed) {
    AppModel& app = startModel();
    SettingsView view(app);
    const std::filesystem::path chosen = std::filesystem::path(folder.path().toStdString()) / "chosen";
    std::filesystem::create_directories(chosen);
    app.moveDataFile(chosen);
    ASSERT_TRUE(app.customStorageFolder().has_value());
    auto* dataFile = find<QLabel>(view, "dataFile");
    EXPECT_EQ(dataFile->text().toStdString(), app.customStorageFolder()->string());
    auto* moveBack = find<QPushButton>(view, "moveBackToDefault");
    EXPECT_FALSE(moveBack->isHidden());

    moveBack->click();
    EXPECT_FALSE(app.customStorageFolder().has_value());
    EXPECT_EQ(dataFile->text(), "Default location");
    EXPECT_TRUE(moveBack->isHidden());

    auto* persistent = find<ToggleSwitch>(view, "persistent");
    persistent->click();
    EXPECT_FALSE(persistent->isChecked());
    EXPECT_FALSE(app.preferences().persistent());
    EXPECT_TRUE(find<QLabel>(view, "storageStatus")->text().startsWith("History is kept in memory only."));
    EXPECT_EQ(find<QLabel>(view, "lastRotation")->text(), "—");
}

} // namespace
} // namespace snipstack::testing
