#pragma once

#include <QObject>
#include <QWidget>
#include <functional>

namespace snipstack {

// Calls `closed` once, when the window `widget` is shown in closes, however it is asked to: its close
// button, Ctrl+W, the window manager or the editor's own buttons. The window is known once the widget
// is shown.
class WindowCloseWatch final : public QObject {
public:
    WindowCloseWatch(QWidget& widget, std::function<void()> closed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& widget_;
    std::function<void()> closed_;
    bool done_ = false;
};

} // namespace snipstack
