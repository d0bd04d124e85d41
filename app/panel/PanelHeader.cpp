#include "app/panel/PanelHeader.h"

#include "app/panel/ItemText.h"
#include "app/system/icons/SymbolIcon.h"

#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <array>

namespace snipstack {

namespace {

using Visibility = AppModel::ViewerVisibility;

constexpr std::array<std::pair<Visibility, const char*>, 3> viewerChoices{{
    {Visibility::hidden, "Hidden from screenshare users"},
    {Visibility::untilClosed, "Visible until this window closes"},
    {Visibility::always, "Always visible"},
}};

} // namespace

PanelHeader::PanelHeader(AppModel& model, QWidget* parent)
    : WindowDragHandle(parent), model_(model), count_(new QLabel), busy_(new QProgressBar),
      rotating_(new QLabel(QStringLiteral("Rotating"))), viewerMenu_(new QMenu(this)) {
    auto* name = new QLabel(QStringLiteral("Snipstack"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    name->setFont(bold);
    busy_->setRange(0, 0);
    busy_->setTextVisible(false);
    busy_->setFixedSize(36, 6);

    viewer_ = button({});
    viewer_->setMenu(viewerMenu_);
    viewer_->setPopupMode(QToolButton::InstantPopup);
    viewerMenu_->addSection(QStringLiteral("Screen sharing"));
    auto* choices = new QActionGroup(viewerMenu_);
    for (const auto& [visibility, title] : viewerChoices) {
        QAction* action = viewerMenu_->addAction(QString::fromUtf8(title));
        action->setCheckable(true);
        action->setData(int(visibility));
        choices->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, choice = visibility] { model_.setViewerVisibility(choice); });
    }
    connect(viewerMenu_, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : viewerMenu_->actions()) {
            action->setChecked(action->isCheckable() &&
                               action->data().toInt() == int(model_.viewerVisibility()));
        }
    });
    settings_ = button(QStringLiteral("Settings"));
    height_ = button({});
    close_ = button(QStringLiteral("Close"));
    connect(settings_, &QToolButton::clicked, this, &PanelHeader::settingsRequested);
    connect(close_, &QToolButton::clicked, this, &PanelHeader::closeRequested);
    connect(height_, &QToolButton::clicked, this, [this] {
        model_.preferences().setPanelExpanded(!model_.preferences().panelExpanded());
        emit heightToggled();
    });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 8, 4);
    layout->setSpacing(6);
    layout->addWidget(name);
    layout->addSpacing(4);
    layout->addWidget(busy_);
    layout->addWidget(rotating_);
    layout->addStretch(1);
    layout->addWidget(count_);
    layout->addSpacing(4);
    for (QToolButton* tool : {viewer_, settings_, height_, close_}) {
        layout->addWidget(tool);
    }

    for (const auto signal :
         {&AppModel::itemsChanged, &AppModel::visibleItemsChanged, &AppModel::isRotatingChanged,
          &AppModel::revealedToViewersChanged, &AppModel::shieldActiveChanged, &AppModel::isLockedChanged}) {
        connect(&model_, signal, this, &PanelHeader::refresh);
    }
    connect(&model_.preferences(), &Preferences::panelExpandedChanged, this, &PanelHeader::refresh);
    connect(&model_.preferences(), &Preferences::hideFromScreenSharingChanged, this, &PanelHeader::refresh);
    refresh();
}

QToolButton* PanelHeader::button(const QString& help) {
    auto* tool = new QToolButton;
    tool->setAutoRaise(true);
    tool->setToolTip(help);
    tool->setFocusPolicy(Qt::NoFocus);
    tool->setIconSize(QSize(16, 16));
    return tool;
}

void PanelHeader::changeEvent(QEvent* event) {
    WindowDragHandle::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        refresh();
    }
}

void PanelHeader::refresh() {
    const bool rotating = model_.isRotating();
    busy_->setVisible(rotating);
    rotating_->setVisible(rotating);
    // The count says something about the history, which the cover card keeps from viewers.
    count_->setVisible(!model_.isLocked() && !model_.shieldActive());
    count_->setText(itemText::countText(model_.visibleItems().size(), model_.items().size()));

    const QColor colour = palette().color(QPalette::ButtonText);
    const bool viewersSee = model_.viewerVisibility() != AppModel::ViewerVisibility::hidden;
    viewer_->setIcon(tintedSymbol(viewersSee ? "eye.fill" : "eye.slash", colour));
    viewer_->setToolTip(viewersSee ? QStringLiteral("Visible to screenshare users. Click to change.")
                                   : QStringLiteral("Hidden from screenshare users. Click to change."));
    settings_->setIcon(tintedSymbol("gearshape", colour));
    const bool expanded = model_.preferences().panelExpanded();
    height_->setIcon(tintedSymbol(expanded ? "arrow.down.and.line.horizontal.and.arrow.up"
                                           : "arrow.up.and.line.horizontal.and.arrow.down",
                                  colour));
    height_->setToolTip(expanded ? QStringLiteral("Restore height")
                                 : QStringLiteral("Fill the screen top to bottom"));
    close_->setIcon(tintedSymbol("xmark.circle.fill", colour));
    QPalette countPalette = count_->palette();
    countPalette.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
    count_->setPalette(countPalette);
}

} // namespace snipstack
