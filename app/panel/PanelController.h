#pragma once

#include "app/model/AppModel.h"
#include "app/model/PanelControl.h"
#include "app/panel/PanelPlacement.h"
#include "app/panel/PanelView.h"
#include "app/panel/PanelWindow.h"
#include "app/panel/ScreenCoordinates.h"

#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVariantAnimation>
#include <memory>

namespace snipstack {

// Shows, places, moves and hides the clipboard panel: it opens on the screen under the pointer,
// follows the pointer between screens while open, snaps and remembers where the user drags it, and
// hides when the focus goes elsewhere.
class PanelController : public QObject, public PanelControl {
    Q_OBJECT

public:
    explicit PanelController(AppModel& model);
    ~PanelController() override;

    void show() override;
    void hide() override;
    bool isWindowVisible() const override;
    std::optional<std::chrono::steady_clock::time_point> lastHidden() const override { return lastHidden_; }
    void applySharingProtection() override { updateSharing(); }

    // Decides whether the cover card stands in for the history, from the preference, the viewers'
    // choice and whether the screen is captured.
    void updateSharing();
    // Places the panel on `screen` by the placement preferences; nothing without a screen.
    void position(QScreen* screen, bool animate);
    // The first screen containing the pointer, else the primary one.
    static QScreen* screenUnderPointer();
    // Returns whether the panel took the key.
    bool handleKey(const QKeyEvent& event);
    // The focus moved to `focused` (null: outside the program); hides the panel when the user left it.
    void focusChanged(QWindow* focused);
    // The frame the panel takes on `screen` now, in Qt's coordinates.
    QRect frameFor(QScreen* screen) const;
    // The user stopped dragging: snap, keep the position the placement keeps, and settle there.
    void settle();

    PanelWindow& window() { return *window_; }
    PanelView& view() { return *view_; }

signals:
    void settingsRequested();

private:
    std::unique_ptr<PanelWindow> makeWindow(bool translucent);
    void follow();
    void moveToScreen(QScreen* screen);
    void windowMoved();
    void screensChanged();
    // Fades the window's opacity to `target`, then runs `done`; at once without fades.
    void fade(qreal target, int milliseconds, std::function<void()> done);
    static ScreenCoordinates coordinates();

    AppModel& model_;
    PanelView* view_;
    std::unique_ptr<PanelWindow> window_;
    QPointer<QScreen> currentScreen_;
    bool isPositioning_ = false;
    QTimer settleTimer_;
    QTimer followTimer_;
    QTimer focusCheck_;
    std::optional<std::chrono::steady_clock::time_point> lastHidden_;
    bool isChangingScreens_ = false;
    bool hiding_ = false;
    bool hadFocus_ = false;
    bool fades_ = false;
    bool animates_ = true;
    PanelGeometry::Point pointerAnchor_;
    std::optional<PanelGeometry::Fractions> draggedPosition_;
    // The window that had the focus before the panel opened; it gets it back when the panel hides.
    WId previousWindow_ = 0;
    QVariantAnimation fadeAnimation_;
    QVariantAnimation moveAnimation_;
};

} // namespace snipstack
