#include "app/panel/PanelController.h"

#include "app/panel/FocusLoss.h"
#include "app/panel/PanelKeys.h"
#include "app/system/LogCategories.h"
#include "app/system/desktop/ReduceMotion.h"
#include "app/system/desktop/WindowManager.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QWindow>

namespace snipstack {

namespace {

using namespace std::chrono_literals;

constexpr auto followInterval = 250ms;
constexpr auto settleDelay = 150ms;
constexpr auto fastPolling = 100ms;
constexpr auto slowPolling = 400ms;
// How long the window manager gets to hand over the focus before it is asked as the user would.
constexpr auto focusGrace = 120ms;
constexpr int showFadeMs = 140;
constexpr int hideFadeMs = 100;
constexpr int screenFadeOutMs = 120;
constexpr int screenFadeInMs = 200;
constexpr int snapMoveMs = 150;

QString rectString(const QRect& rect) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

} // namespace

PanelController::PanelController(AppModel& model)
    : model_(model), view_(new PanelView(model)), window_(makeWindow(false)) {
    window_->setContent(view_);
    window_->resize(int(PanelGeometry::initialContentSize.width),
                    int(PanelGeometry::initialContentSize.height));

    connect(view_, &PanelView::settingsRequested, this, &PanelController::settingsRequested);
    connect(view_, &PanelView::closeRequested, this, &PanelController::hide);
    connect(view_, &PanelView::heightToggled, this, [this] { position(currentScreen_, true); });

    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(settleDelay);
    connect(&settleTimer_, &QTimer::timeout, this, &PanelController::settle);
    followTimer_.setInterval(followInterval);
    connect(&followTimer_, &QTimer::timeout, this, &PanelController::follow);
    focusCheck_.setSingleShot(true);
    focusCheck_.setInterval(focusGrace);
    connect(&focusCheck_, &QTimer::timeout, this, [this] {
        if (isWindowVisible() && !window_->isActiveWindow()) {
            windowManager::activate(window_->winId());
        }
    });

    connect(&model_, &AppModel::revealedToViewersChanged, this, &PanelController::updateSharing);
    connect(&model_.preferences(), &Preferences::hideFromScreenSharingChanged, this,
            &PanelController::updateSharing);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &PanelController::focusChanged);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &PanelController::screensChanged);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &PanelController::screensChanged);
    for (QScreen* screen : QGuiApplication::screens()) {
        connect(screen, &QScreen::availableGeometryChanged, this, &PanelController::screensChanged);
    }
    connect(&fadeAnimation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { window_->setWindowOpacity(value.toReal()); });
    connect(&moveAnimation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { window_->setGeometry(value.toRect()); });
    connect(&moveAnimation_, &QVariantAnimation::finished, this, [this] { isPositioning_ = false; });
}

PanelController::~PanelController() = default;

std::unique_ptr<PanelWindow> PanelController::makeWindow(bool translucent) {
    auto window = std::make_unique<PanelWindow>(translucent);
    window->keyHandler = [this](QKeyEvent* event) { return handleKey(*event); };
    connect(window.get(), &PanelWindow::moved, this, &PanelController::windowMoved);
    return window;
}

ScreenCoordinates PanelController::coordinates() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return {primary ? double(primary->geometry().y() + primary->geometry().height()) : 0.0};
}

QScreen* PanelController::screenUnderPointer() {
    const QPoint pointer = QCursor::pos();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().contains(pointer)) {
            return screen;
        }
    }
    return QGuiApplication::primaryScreen();
}

QRect PanelController::frameFor(QScreen* screen) const {
    const Preferences& preferences = model_.preferences();
    const ScreenCoordinates convert = coordinates();
    const PlacementInputs inputs{preferences.panelPlacement(), preferences.panelX(), preferences.panelY(),
                                 preferences.panelExpanded(),  draggedPosition_,     pointerAnchor_};
    return convert.toQt(panelFrame(convert.toGeometry(screen->availableGeometry()), inputs));
}

void PanelController::position(QScreen* screen, bool animate) {
    if (!screen) {
        return;
    }
    currentScreen_ = screen;
    const QRect target = frameFor(screen);
    moveAnimation_.stop();
    isPositioning_ = true;
    if (animate && animates_ && isWindowVisible()) {
        moveAnimation_.setStartValue(window_->geometry());
        moveAnimation_.setEndValue(target);
        moveAnimation_.setDuration(snapMoveMs);
        moveAnimation_.setEasingCurve(QEasingCurve::OutCubic);
        moveAnimation_.start();
        return;
    }
    window_->setGeometry(target);
    isPositioning_ = false;
}

void PanelController::show() {
    fadeAnimation_.stop();
    hiding_ = false;
    hadFocus_ = false;
    draggedPosition_.reset();
    pointerAnchor_ = coordinates().toGeometry(QCursor::pos());
    position(screenUnderPointer(), false);
    model_.panelWillOpen();

    animates_ = !reduceMotion();
    const bool compositing = windowManager::compositingManagerRunning();
    fades_ = animates_ && compositing;
    // Translucency is chosen when the native window is made; a compositing manager that started or
    // stopped since needs a new one.
    if (compositing != window_->isTranslucent()) {
        auto replacement = makeWindow(compositing);
        replacement->setContent(window_->takeContent());
        replacement->setGeometry(window_->geometry());
        window_ = std::move(replacement);
    }
    if (!window_->isVisible()) {
        previousWindow_ = windowManager::activeWindow();
        window_->winId();
        windowManager::keepOnEveryDesktop(*window_->windowHandle());
    }
    window_->setWindowOpacity(fades_ ? 0.0 : 1.0);
    window_->show();
    window_->raise();
    window_->activateWindow();
    position(currentScreen_, false);
    focusCheck_.start();

    model_.detectScreenCapture();
    updateSharing();
    window_->layout()->activate();
    qCInfo(panelLog, "opened: screen visible %s window %s content %s",
           qPrintable(rectString(currentScreen_ ? currentScreen_->availableGeometry() : QRect())),
           qPrintable(rectString(window_->geometry())), qPrintable(rectString(view_->geometry())));
    model_.setPanelVisible(true);
    fade(1.0, showFadeMs, {});
    model_.monitor().start(fastPolling);
    followTimer_.start();
}

void PanelController::hide() {
    if (!isWindowVisible()) {
        return;
    }
    hiding_ = true;
    model_.monitor().start(slowPolling);
    lastHidden_ = std::chrono::steady_clock::now();
    followTimer_.stop();
    settleTimer_.stop();
    focusCheck_.stop();
    model_.setPanelVisible(false);
    // Hidden by a choice or a key, the panel hands the focus back to the window the user came from;
    // hidden because the user went elsewhere, it leaves the focus where it went.
    if (window_->isActiveWindow() && previousWindow_ != 0) {
        windowManager::activate(previousWindow_);
    }
    fade(0.0, hideFadeMs, [this] {
        window_->hide();
        hiding_ = false;
    });
}

bool PanelController::isWindowVisible() const {
    return window_->isVisible() && !hiding_;
}

void PanelController::fade(qreal target, int milliseconds, std::function<void()> done) {
    fadeAnimation_.stop();
    disconnect(&fadeAnimation_, &QVariantAnimation::finished, this, nullptr);
    if (!fades_) {
        window_->setWindowOpacity(1.0);
        if (done) {
            done();
        }
        return;
    }
    if (done) {
        connect(&fadeAnimation_, &QVariantAnimation::finished, this, std::move(done),
                Qt::SingleShotConnection);
    }
    fadeAnimation_.setStartValue(window_->windowOpacity());
    fadeAnimation_.setEndValue(target);
    fadeAnimation_.setDuration(milliseconds);
    fadeAnimation_.start();
}

void PanelController::updateSharing() {
    // X11 cannot leave one window out of a capture, so the panel itself shows the cover card while
    // the user hides it from viewers and a capture runs.
    model_.setShieldActive(model_.preferences().hideFromScreenSharing() && !model_.revealedToViewers() &&
                           model_.isScreenBeingShared());
}

void PanelController::follow() {
    if (model_.detectScreenCapture()) {
        updateSharing();
    }
    if (!isWindowVisible() || settleTimer_.isActive() || isChangingScreens_ ||
        windowManager::pointerButtonsPressed()) {
        return;
    }
    QScreen* screen = screenUnderPointer();
    if (!screen) {
        return;
    }
    if (screen == currentScreen_) {
        // Placement preferences changed while the panel is open take effect here.
        if (frameFor(screen) != window_->geometry() && !moveAnimation_.state()) {
            position(screen, false);
        }
        return;
    }
    pointerAnchor_ = coordinates().toGeometry(QCursor::pos());
    moveToScreen(screen);
}

void PanelController::moveToScreen(QScreen* screen) {
    if (!fades_) {
        position(screen, false);
        return;
    }
    isChangingScreens_ = true;
    currentScreen_ = screen;
    fade(0.0, screenFadeOutMs, [this, target = QPointer<QScreen>(screen)] {
        position(target, false);
        fade(1.0, screenFadeInMs, [this] { isChangingScreens_ = false; });
    });
}

void PanelController::windowMoved() {
    if (!isPositioning_ && isWindowVisible()) {
        settleTimer_.start();
    }
}

void PanelController::settle() {
    if (windowManager::pointerButtonsPressed()) {
        settleTimer_.start();
        return;
    }
    QScreen* screen = window_->screen() ? window_->screen() : screenUnderPointer();
    if (!screen) {
        return;
    }
    Preferences& preferences = model_.preferences();
    const ScreenCoordinates convert = coordinates();
    const SettledDrag settled =
        settleDrag(convert.toGeometry(window_->geometry()), convert.toGeometry(screen->availableGeometry()),
                   preferences.panelPlacement(), preferences.panelExpanded());
    if (settled.draggedPosition) {
        draggedPosition_ = settled.draggedPosition;
    }
    if (settled.panelX) {
        preferences.setPanelX(settled.panelX);
    }
    if (settled.panelY) {
        preferences.setPanelY(settled.panelY);
    }
    position(screen, true);
}

void PanelController::screensChanged() {
    for (QScreen* screen : QGuiApplication::screens()) {
        connect(screen, &QScreen::availableGeometryChanged, this, &PanelController::screensChanged,
                Qt::UniqueConnection);
    }
    if (isWindowVisible()) {
        position(currentScreen_ ? currentScreen_.data() : screenUnderPointer(), false);
    }
}

void PanelController::focusChanged(QWindow* focused) {
    QWindow* panel = window_->windowHandle();
    if (focused && focused == panel) {
        hadFocus_ = true;
        return;
    }
    // Menus of the panel grab the keyboard without taking the focus; the panel stays while one is open.
    if (!hadFocus_ || !isWindowVisible() || QApplication::activePopupWidget() ||
        !focusLeftPanel(focused, panel)) {
        return;
    }
    hide();
}

bool PanelController::handleKey(const QKeyEvent& event) {
    const auto& items = model_.visibleItems();
    const PanelKey key =
        panelKey(event.key(), event.modifiers(), view_->searchField().isComposing(), items.size());
    switch (key.command) {
    case PanelKey::Command::none:
        return false;
    case PanelKey::Command::pasteRow: {
        // Pasting refreshes the list the entry sits in.
        const ClipItem item = items[key.row];
        model_.paste(item, true);
        break;
    }
    case PanelKey::Command::pasteSelection:
    case PanelKey::Command::copySelection:
        if (const auto selected = model_.selectedItem()) {
            model_.paste(*selected, key.command == PanelKey::Command::pasteSelection);
        }
        break;
    case PanelKey::Command::hide:
        hide();
        break;
    case PanelKey::Command::moveUp:
        model_.moveSelection(-1);
        break;
    case PanelKey::Command::moveDown:
        model_.moveSelection(1);
        break;
    }
    return true;
}

} // namespace snipstack
