#include "app/settings/GeneralSettings.h"

#include "app/model/AppModel.h"
#include "app/settings/ControlBinding.h"
#include "app/settings/FormSection.h"
#include "app/settings/ShortcutRecorder.h"
#include "app/system/icons/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace snipstack {
namespace {

// The stepper's suffix follows its number: "1 day", "2 days".
void pluralSuffix(QSpinBox* box, const QString& one, const QString& many) {
    const auto update = [box, one, many](int value) { box->setSuffix(value == 1 ? one : many); };
    update(box->value());
    QObject::connect(box, &QSpinBox::valueChanged, box, update);
}

QSpinBox* stepper(const QString& name, int lowest, int highest, int step = 1) {
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(lowest, highest);
    box->setSingleStep(step);
    // Typing "1000" must not pass through 1, 10 and 100 on the way: those would apply at once.
    box->setKeyboardTracking(false);
    return box;
}

ToggleSwitch* toggle(const QString& name, const QString& label) {
    auto* toggle = new ToggleSwitch(label);
    toggle->setObjectName(name);
    return toggle;
}

// A switch bound to one boolean preference.
ToggleSwitch* preferenceSwitch(Preferences& preferences, const QString& name, const QString& label,
                               bool (Preferences::*read)() const, void (Preferences::*write)(bool),
                               void (Preferences::*changed)()) {
    auto* control = toggle(name, label);
    bindSwitch(
        control, &preferences, changed, [&preferences, read] { return (preferences.*read)(); },
        [&preferences, write](bool on) { (preferences.*write)(on); });
    return control;
}

} // namespace

GeneralSettings::GeneralSettings(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->setSpacing(18);
    layout->addWidget(makeStartupSection());
    layout->addWidget(makeHistorySection());
    layout->addWidget(makeWindowSection());
    layout->addWidget(makeClickSection());
    layout->addWidget(makeScreenshotSection());
    layout->addWidget(makePrivacySection());
    layout->addStretch();
}

QWidget* GeneralSettings::makeStartupSection() {
    auto* section = new FormSection;
    Preferences& preferences = model_.preferences();

    launchAtLogin_ = toggle(QStringLiteral("launchAtLogin"), QStringLiteral("Launch Snipstack at login"));
    launchAtLogin_->display(model_.launchAtLoginEnabled());
    // Read back, so that a login item the desktop refused shows as it is.
    connect(launchAtLogin_, &ToggleSwitch::toggled, this, [this](bool on) {
        model_.setLaunchAtLogin(on);
        launchAtLogin_->display(model_.launchAtLoginEnabled());
    });
    section->addRow(launchAtLogin_->accessibleName(), launchAtLogin_);

    section->addRow(QStringLiteral("Open clipboard shortcut"), new ShortcutRecorder(model_));

    auto* theme = new QComboBox;
    theme->setObjectName(QStringLiteral("theme"));
    bindPicker<ThemeChoice>(
        theme, choicesOf<ThemeChoice>(), &preferences, &Preferences::themeChanged,
        [&preferences] { return preferences.theme(); },
        [&preferences](ThemeChoice choice) { preferences.setTheme(choice); });
    section->addRow(QStringLiteral("Theme"), theme);

    auto* look = new QComboBox;
    look->setObjectName(QStringLiteral("look"));
    bindPicker<WindowLook>(
        look, choicesOf<WindowLook>(), &preferences, &Preferences::lookChanged,
        [&preferences] { return preferences.look(); },
        [&preferences](WindowLook choice) { preferences.setLook(choice); });
    section->addRow(QStringLiteral("Look"), look);

    auto* menuBarIcon =
        toggle(QStringLiteral("showMenuBarIcon"), QStringLiteral("Show icon in the menu bar"));
    bindSwitch(
        menuBarIcon, &preferences, &Preferences::showMenuBarIconChanged,
        [&preferences] { return preferences.showMenuBarIcon(); },
        [this](bool on) {
            if (on) {
                model_.setShowMenuBarIcon(true);
            } else {
                model_.confirmHideMenuBarIcon();
            }
        });
    section->addRow(menuBarIcon->accessibleName(), menuBarIcon);
    return section;
}

QWidget* GeneralSettings::makeHistorySection() {
    auto* section = new FormSection;
    Preferences& preferences = model_.preferences();

    auto* maxItems = stepper(QStringLiteral("maxItems"), 1, 5000, 50);
    bindSpinBox(
        maxItems, &preferences, &Preferences::maxItemsChanged,
        [&preferences] { return preferences.maxItems(); }, [this](int count) { model_.setMaxItems(count); });
    connect(maxItems, &QSpinBox::editingFinished, this,
            [this, maxItems] { model_.setMaxItems(maxItems->value()); });
    section->addRow(QStringLiteral("Items to keep"), maxItems);

    auto* expiry = toggle(QStringLiteral("expiryEnabled"), QStringLiteral("Discard items after a set time"));
    bindSwitch(
        expiry, &preferences, &Preferences::expiryEnabledChanged,
        [&preferences] { return preferences.expiryEnabled(); },
        [this](bool on) { model_.setExpiryEnabled(on); });
    section->addRow(expiry->accessibleName(), expiry);

    expiryDays_ = stepper(QStringLiteral("expiryDays"), 0, 3650);
    bindSpinBox(
        expiryDays_, &preferences, &Preferences::expiryDaysChanged,
        [&preferences] { return preferences.expiryDays(); },
        [&preferences](int days) { preferences.setExpiryDays(days); });
    pluralSuffix(expiryDays_, QStringLiteral(" day"), QStringLiteral(" days"));
    expiryHours_ = stepper(QStringLiteral("expiryHours"), 0, 23);
    bindSpinBox(
        expiryHours_, &preferences, &Preferences::expiryHoursChanged,
        [&preferences] { return preferences.expiryHours(); },
        [&preferences](int hours) { preferences.setExpiryHours(hours); });
    pluralSuffix(expiryHours_, QStringLiteral(" hour"), QStringLiteral(" hours"));
    auto* steppers = new QWidget;
    auto* steppersLayout = new QHBoxLayout(steppers);
    steppersLayout->setContentsMargins(0, 0, 0, 0);
    steppersLayout->addWidget(expiryDays_);
    steppersLayout->addWidget(expiryHours_);
    section->addRow(QStringLiteral("Discard when older than"), steppers);

    historyFooter_ = section->footer();
    historyFooter_->setObjectName(QStringLiteral("historyFooter"));
    connect(&preferences, &Preferences::expiryEnabledChanged, this, &GeneralSettings::showExpiry);
    showExpiry();
    return section;
}

void GeneralSettings::showExpiry() {
    const bool on = model_.preferences().expiryEnabled();
    expiryDays_->setEnabled(on);
    expiryHours_->setEnabled(on);
    historyFooter_->setText(
        on ? QStringLiteral(
                 "Between 1 and 5,000 items. Items you have not copied or pasted within the time "
                 "limit are removed, checked once a minute; the shortest limit is one hour. Pinned "
                 "items are always kept.")
           : QStringLiteral(
                 "Between 1 and 5,000. Older items are removed first; pinned items are always kept."));
}

QWidget* GeneralSettings::makeWindowSection() {
    auto* section = new FormSection(QStringLiteral("Clipboard Window"));
    Preferences& preferences = model_.preferences();

    auto* placement = new QComboBox;
    placement->setObjectName(QStringLiteral("panelPlacement"));
    bindPicker<PanelPlacement>(
        placement,
        choicesOf({PanelPlacement::rightEdge, PanelPlacement::center, PanelPlacement::pointer,
                   PanelPlacement::remembered}),
        &preferences, &Preferences::panelPlacementChanged,
        [&preferences] { return preferences.panelPlacement(); },
        [&preferences](PanelPlacement choice) { preferences.setPanelPlacement(choice); });
    section->addRow(QStringLiteral("Opens"), placement);

    auto* reset = new QPushButton(QStringLiteral("Reset to Right Edge"));
    reset->setObjectName(QStringLiteral("resetPanelPosition"));
    connect(reset, &QPushButton::clicked, this, [this] { model_.resetPanelPosition(); });
    auto* resetRow = new QHBoxLayout;
    resetRow->addStretch();
    resetRow->addWidget(reset);
    section->addRow(resetRow);

    auto* expanded = preferenceSwitch(
        preferences, QStringLiteral("panelExpanded"), QStringLiteral("Fill the screen from top to bottom"),
        &Preferences::panelExpanded, &Preferences::setPanelExpanded, &Preferences::panelExpandedChanged);
    section->addRow(expanded->accessibleName(), expanded);
    auto* plain = preferenceSwitch(
        preferences, QStringLiteral("plainTextTiles"), QStringLiteral("Show formatted text as plain text"),
        &Preferences::plainTextTiles, &Preferences::setPlainTextTiles, &Preferences::plainTextTilesChanged);
    section->addRow(plain->accessibleName(), plain);
    return section;
}

QWidget* GeneralSettings::makeClickSection() {
    auto* section = new FormSection(QStringLiteral("Clicking an Item"));
    Preferences& preferences = model_.preferences();
    for (const ClickKind kind : {ClickKind::plain, ClickKind::option, ClickKind::shift, ClickKind::command}) {
        auto* picker = new QComboBox;
        const std::string_view raw = rawValue(kind);
        picker->setObjectName(QStringLiteral("click-") +
                              QString::fromLatin1(raw.data(), qsizetype(raw.size())));
        bindPicker<ItemAction>(
            picker, choicesOf<ItemAction>(), &preferences, &Preferences::clickActionsChanged,
            [&preferences, kind] { return preferences.action(kind); },
            [&preferences, kind](ItemAction action) { preferences.setAction(action, kind); });
        const std::string_view label = displayText(kind);
        section->addRow(QString::fromUtf8(label.data(), qsizetype(label.size())), picker);
    }
    section->footer()->setText(QStringLiteral(
        "Every action is also in the menu you get by right-clicking an item, which shows these shortcuts."));
    return section;
}

QWidget* GeneralSettings::makeScreenshotSection() {
    auto* section = new FormSection;
    auto* screenshots = preferenceSwitch(
        model_.preferences(), QStringLiteral("openScreenshotsInEditor"),
        QStringLiteral("Open screenshots in the image editor"), &Preferences::openScreenshotsInEditor,
        &Preferences::setOpenScreenshotsInEditor, &Preferences::openScreenshotsInEditorChanged);
    section->addRow(
        screenshots->accessibleName(), screenshots,
        QStringLiteral("Applies to screenshots copied to the clipboard, for example with Ctrl+Print "
                       "Screen or your screenshot tool's Copy button."));
    return section;
}

QWidget* GeneralSettings::makePrivacySection() {
    auto* section = new FormSection(QStringLiteral("Privacy"));
    Preferences& preferences = model_.preferences();

    auto* concealed = preferenceSwitch(preferences, QStringLiteral("skipConcealed"),
                                       QStringLiteral("Ignore passwords and other items marked confidential"),
                                       &Preferences::skipConcealed, &Preferences::setSkipConcealed,
                                       &Preferences::skipConcealedChanged);
    section->addRow(concealed->accessibleName(), concealed);
    auto* sharing =
        preferenceSwitch(preferences, QStringLiteral("hideFromScreenSharing"),
                         QStringLiteral("Hide the clipboard from screen sharing and recordings"),
                         &Preferences::hideFromScreenSharing, &Preferences::setHideFromScreenSharing,
                         &Preferences::hideFromScreenSharingChanged);
    section->addRow(
        sharing->accessibleName(), sharing,
        QStringLiteral("While your screen is shared or recorded, the clipboard shows a cover card "
                       "until you choose to reveal it."));

    // Either the permission is there, or the way to ask for it.
    auto* access = new QWidget;
    auto* accessLayout = new QHBoxLayout(access);
    accessLayout->setContentsMargins(0, 0, 0, 0);
    accessLayout->setSpacing(6);
    auto* allowedIcon = new QLabel;
    allowedIcon->setPixmap(symbolIcon("checkmark.circle.fill").pixmap(16, 16));
    auto* allowed = new QLabel(QStringLiteral("Allowed"));
    allowed->setObjectName(QStringLiteral("accessibilityAllowed"));
    auto* grant = new QPushButton(QStringLiteral("Grant Accessibility Access…"));
    grant->setObjectName(QStringLiteral("grantAccessibility"));
    connect(grant, &QPushButton::clicked, this, [this] { model_.requestAccessibilityAccess(); });
    accessLayout->addWidget(allowedIcon);
    accessLayout->addWidget(allowed);
    accessLayout->addWidget(grant);
    const auto showAccess = [this, allowedIcon, allowed, grant] {
        const bool granted = model_.accessibilityGranted();
        allowedIcon->setVisible(granted);
        allowed->setVisible(granted);
        grant->setVisible(!granted);
    };
    showAccess();
    connect(&model_, &AppModel::accessibilityGrantedChanged, this, showAccess);
    section->addRow(QStringLiteral("Paste into other apps"), access);
    return section;
}

void GeneralSettings::showEvent(QShowEvent* event) {
    launchAtLogin_->display(model_.launchAtLoginEnabled());
    QWidget::showEvent(event);
}

} // namespace snipstack
