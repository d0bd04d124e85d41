#include "app/panel/PanelWindow.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWindow>

namespace snipstack {

namespace {

constexpr qreal cornerRadius = 12;
// Translucent enough to hint at what lies behind, opaque enough to read on any wallpaper.
constexpr qreal backgroundAlpha = 0.93;

} // namespace

PanelWindow::PanelWindow(bool translucent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      translucent_(translucent) {
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    setWindowTitle(QStringLiteral("Snipstack"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
}

void PanelWindow::setContent(QWidget* content) {
    content_ = content;
    layout()->addWidget(content);
}

QWidget* PanelWindow::takeContent() {
    QWidget* content = content_;
    layout()->removeWidget(content);
    content->setParent(nullptr);
    content_ = nullptr;
    return content;
}

bool PanelWindow::event(QEvent* event) {
    // The native window exists from here on; its key events pass the filter before any widget.
    if (event->type() == QEvent::WinIdChange && windowHandle()) {
        windowHandle()->installEventFilter(this);
    }
    return QWidget::event(event);
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && keyHandler && keyHandler(static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PanelWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit moved();
}

void PanelWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor fill = palette().color(QPalette::Window);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.16);
    if (!translucent_) {
        painter.fillRect(rect(), fill);
        painter.setPen(border);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    fill.setAlphaF(backgroundAlpha);
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

} // namespace snipstack
