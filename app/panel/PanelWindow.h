#pragma once

#include <QWidget>
#include <functional>

class QKeyEvent;

namespace snipstack {

// The panel's frameless, always-on-top window. Every key press meets `keyHandler` before any widget
// sees it; a handler that returns true keeps it. With a compositing manager the window is a
// translucent rounded card, without one an opaque rectangle.
class PanelWindow : public QWidget {
    Q_OBJECT

public:
    explicit PanelWindow(bool translucent);

    bool isTranslucent() const { return translucent_; }
    void setContent(QWidget* content);
    QWidget* takeContent();

    std::function<bool(QKeyEvent*)> keyHandler;

signals:
    // The window moved, by the user or the window manager.
    void moved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool translucent_;
    QWidget* content_ = nullptr;
};

} // namespace snipstack
