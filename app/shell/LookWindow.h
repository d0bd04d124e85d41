#pragma once

#include <QWidget>

namespace snipstack {

// A top-level window of ours in the chosen look: a translucent background when a compositing manager
// runs (the desktop shows through, as with the panel), opaque otherwise.
class LookWindow final : public QWidget {
    Q_OBJECT
public:
    explicit LookWindow(QWidget* content);

    // Follows the compositing manager's coming and going at the next repaint.
    void refreshLook();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool translucent_ = false;
};

} // namespace snipstack
