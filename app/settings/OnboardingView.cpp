#include "app/settings/OnboardingView.h"

#include "app/model/AppModel.h"
#include "app/settings/ControlBinding.h"
#include "app/settings/FormSection.h"
#include "app/settings/KeyCap.h"
#include "app/settings/ShortcutRecorder.h"
#include "app/settings/StepMarker.h"
#include "app/system/icons/SymbolIcon.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace snipstack {
namespace {

constexpr int stepIndent = 34;

QLabel* heading(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

QLabel* text(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

// A step: its marker at the left, its heading and content beside it. Without a marker the content
// lines up with the other steps'.
QWidget* step(StepMarker* marker, QLabel* title, QLayout* content) {
    auto* widget = new QWidget;
    auto* columns = new QHBoxLayout(widget);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(stepIndent - 24);
    if (marker) {
        columns->addWidget(marker, 0, Qt::AlignTop);
    } else {
        columns->addSpacing(24);
    }
    auto* rows = new QVBoxLayout;
    rows->setSpacing(6);
    if (title) {
        rows->addWidget(title);
    }
    rows->addLayout(content);
    columns->addLayout(rows, 1);
    return widget;
}

// A radio choice with its caption under the choice's text.
QLayout* choice(QRadioButton* button, const QString& caption) {
    auto* rows = new QVBoxLayout;
    rows->setSpacing(0);
    rows->addWidget(button);
    QLabel* captionLabel = FormSection::secondaryLabel(caption);
    const int indicator = button->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button) +
                          button->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button);
    captionLabel->setContentsMargins(indicator, 0, 0, 0);
    rows->addWidget(captionLabel);
    return rows;
}

} // namespace

OnboardingView::OnboardingView(AppModel& model, std::function<void()> onClose, QWidget* parent)
    : QWidget(parent), model_(model), onClose_(std::move(onClose)) {
    setWindowTitle(QStringLiteral("Welcome to Snipstack"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(20);
    layout->addWidget(makeHeader());
    layout->addWidget(makeAccessStep());
    layout->addWidget(makeStorageStep());
    layout->addWidget(makeOptions());
    layout->addWidget(makeShortcutStep());
    layout->addStretch();
    layout->addWidget(makeButtons());

    accessCheck_.setInterval(1000);
    connect(&accessCheck_, &QTimer::timeout, this, &OnboardingView::checkAccess);
}

QWidget* OnboardingView::makeHeader() {
    auto* header = new QWidget;
    auto* rows = new QVBoxLayout(header);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(12);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    auto* icon = new QLabel;
    icon->setPixmap(applicationIcon().pixmap(64, 64));
    top->addWidget(icon);
    title_ = new QLabel;
    title_->setObjectName(QStringLiteral("onboardingTitle"));
    QFont font = title_->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    title_->setFont(font);
    top->addWidget(title_, 1);
    rows->addLayout(top);
    introduction_ = text({});
    introduction_->setObjectName(QStringLiteral("onboardingIntroduction"));
    rows->addWidget(introduction_);
    connect(&model_.preferences(), &Preferences::onboardingDoneChanged, this, &OnboardingView::showTitle);
    connect(&model_.preferences(), &Preferences::hotKeyChanged, this, &OnboardingView::showShortcut);
    showTitle();
    return header;
}

void OnboardingView::showTitle() {
    title_->setText(model_.preferences().onboardingDone() ? QStringLiteral("Finish setting up Snipstack")
                                                          : QStringLiteral("Welcome to Snipstack"));
}

QWidget* OnboardingView::makeAccessStep() {
    accessMarker_ = new StepMarker(1);
    accessMarker_->setObjectName(QStringLiteral("accessMarker"));
    grant_ = new QPushButton(QStringLiteral("Grant…"));
    grant_->setObjectName(QStringLiteral("grantAccessibility"));
    connect(grant_, &QPushButton::clicked, this, [this] { model_.requestAccessibilityAccess(); });
    auto* content = new QHBoxLayout;
    content->setSpacing(12);
    content->addWidget(text(QStringLiteral("Click Grant, then turn on Snipstack in the Accessibility list.")),
                       1);
    content->addWidget(grant_, 0, Qt::AlignTop);
    connect(&model_, &AppModel::accessibilityGrantedChanged, this, &OnboardingView::showAccess);
    showAccess();
    return step(accessMarker_, heading(QStringLiteral("Allow pasting into other apps")), content);
}

void OnboardingView::showAccess() {
    const bool granted = model_.accessibilityGranted();
    accessMarker_->setDone(granted);
    grant_->setEnabled(!granted);
}

QWidget* OnboardingView::makeStorageStep() {
    storageMarker_ = new StepMarker(2);
    storageMarker_->setObjectName(QStringLiteral("storageMarker"));
    persistent_ = new QRadioButton(QStringLiteral("Yes, in an encrypted file on this computer"));
    persistent_->setObjectName(QStringLiteral("choosePersistent"));
    memoryOnly_ = new QRadioButton(QStringLiteral("No, keep it in memory only"));
    memoryOnly_->setObjectName(QStringLiteral("chooseMemoryOnly"));
    auto* group = new QButtonGroup(this);
    group->addButton(persistent_);
    group->addButton(memoryOnly_);
    connect(persistent_, &QRadioButton::clicked, this, [this] { model_.setSetupStorageChoice(true); });
    connect(memoryOnly_, &QRadioButton::clicked, this, [this] { model_.setSetupStorageChoice(false); });

    auto* content = new QVBoxLayout;
    content->setSpacing(8);
    content->addLayout(
        choice(persistent_, QStringLiteral("The encryption key is stored in your keyring; your "
                                           "desktop may ask for your keyring password when you "
                                           "continue.")));
    content->addLayout(
        choice(memoryOnly_, QStringLiteral("Nothing is written to disk. History is lost when you "
                                           "restart, shut down or quit Snipstack, and any saved "
                                           "history is erased now.")));
    connect(&model_, &AppModel::setupStorageChoiceChanged, this, &OnboardingView::showStorageChoice);
    showStorageChoice();
    return step(storageMarker_, heading(QStringLiteral("Keep your clipboard history across restarts?")),
                content);
}

void OnboardingView::showStorageChoice() {
    const std::optional<bool>& choice = model_.setupStorageChoice();
    storageMarker_->setDone(choice.has_value());
    if (choice) {
        (*choice ? persistent_ : memoryOnly_)->setChecked(true);
    }
}

QWidget* OnboardingView::makeOptions() {
    auto* launch = new ToggleSwitch(QStringLiteral("Launch Snipstack at login"));
    launch->setObjectName(QStringLiteral("setupLaunchAtLogin"));
    bindSwitch(
        launch, &model_, &AppModel::setupLaunchAtLoginChanged, [this] { return model_.setupLaunchAtLogin(); },
        [this](bool on) { model_.setSetupLaunchAtLogin(on); });
    auto* screenshots = new ToggleSwitch(QStringLiteral("Open screenshots in Snipstack's editor"));
    screenshots->setObjectName(QStringLiteral("setupOpenScreenshots"));
    bindSwitch(
        screenshots, &model_, &AppModel::setupOpenScreenshotsChanged,
        [this] { return model_.setupOpenScreenshots(); },
        [this](bool on) { model_.setSetupOpenScreenshots(on); });

    auto* options = new FormSection;
    options->addRow(launch->accessibleName(), launch);
    options->addRow(
        screenshots->accessibleName(), screenshots,
        QStringLiteral("When you copy a screenshot to the clipboard, it opens ready to crop and mark "
                       "up."));
    auto* content = new QVBoxLayout;
    content->addWidget(options);
    return step(nullptr, nullptr, content);
}

QWidget* OnboardingView::makeShortcutStep() {
    auto* shortcut = new QHBoxLayout;
    shortcut->setSpacing(8);
    shortcut->addWidget(new QLabel(QStringLiteral("Your shortcut")));
    keyCaps_ = new QHBoxLayout;
    keyCaps_->setSpacing(4);
    shortcut->addLayout(keyCaps_);
    shortcut->addStretch();

    auto* change = new QHBoxLayout;
    change->setSpacing(8);
    change->addWidget(new QLabel(QStringLiteral("Change it:")));
    change->addWidget(new ShortcutRecorder(model_));
    change->addStretch();

    auto* content = new QVBoxLayout;
    content->setSpacing(8);
    content->addLayout(shortcut);
    content->addWidget(text(QStringLiteral("This is the shortcut that opens your clipboard from anywhere.")));
    content->addWidget(text(QStringLiteral("Finish steps 1 and 2, then press it to start.")));
    content->addLayout(change);
    showShortcut();
    return step(new StepMarker(3), heading(QStringLiteral("Press your shortcut to start Snipstack")),
                content);
}

void OnboardingView::showShortcut() {
    const HotKey& hotKey = model_.preferences().hotKey();
    introduction_->setText(QStringLiteral("Press ") + QString::fromStdString(hotKey.display()) +
                           QStringLiteral(" anywhere to search what you have copied and ") +
                           QStringLiteral("paste it. Two things are needed before Snipstack can start."));
    while (QLayoutItem* item = keyCaps_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const std::string& part : hotKey.displayParts()) {
        keyCaps_->addWidget(new KeyCap(QString::fromStdString(part)));
    }
}

QWidget* OnboardingView::makeButtons() {
    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    auto* quit = new QPushButton(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("quit"));
    connect(quit, &QPushButton::clicked, this, [] { QCoreApplication::quit(); });
    continue_ = new QPushButton(QStringLiteral("Continue"));
    continue_->setObjectName(QStringLiteral("continue"));
    continue_->setDefault(true);
    connect(continue_, &QPushButton::clicked, this, [this] { onClose_(); });
    row->addWidget(quit);
    row->addStretch();
    row->addWidget(continue_);
    const auto offerContinue = [this] { continue_->setVisible(!model_.hotKeyRegistered()); };
    offerContinue();
    connect(&model_, &AppModel::hotKeyRegisteredChanged, this, offerContinue);
    return buttons;
}

QSize OnboardingView::sizeHint() const {
    constexpr int width = 520;
    return {width, layout()->heightForWidth(width)};
}

void OnboardingView::checkAccess() {
    if (model_.checkAccessibility()) {
        emit bringForwardRequested();
    }
}

void OnboardingView::showEvent(QShowEvent* event) {
    accessCheck_.start();
    QWidget::showEvent(event);
}

void OnboardingView::hideEvent(QHideEvent* event) {
    accessCheck_.stop();
    QWidget::hideEvent(event);
}

} // namespace snipstack
