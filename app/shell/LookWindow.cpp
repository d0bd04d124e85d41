#include "app/shell/LookWindow.h"

#include "app/system/desktop/WindowManager.h"

#include <QPainter>
#include <QVBoxLayout>

namespace snipstack {

namespace {

// Enough of the desktop shows through to read as translucent; text stays easy to read.
constexpr int translucentAlpha = 236;

} // namespace

LookWindow::LookWindow(QWidget* content) {
    // Decided once, before the native window exists: X11 picks a window's visual when it is made.
    setAttribute(Qt::WA_TranslucentBackground, windowManager::compositingManagerRunning());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    refreshLook();
}

void LookWindow::refreshLook() {
    translucent_ = testAttribute(Qt::WA_TranslucentBackground) && windowManager::compositingManagerRunning();
    update();
}

void LookWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor background = palette().color(QPalette::Window);
    if (translucent_) {
        background.setAlpha(translucentAlpha);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
    painter.fillRect(rect(), background);
}

} // namespace snipstack
