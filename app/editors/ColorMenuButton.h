#pragma once

#include <QColor>
#include <QToolButton>

namespace snipstack {

// A toolbar button showing a colour as a round swatch; its menu offers the usual marker colours and
// the colour dialog for any other.
class ColorMenuButton final : public QToolButton {
    Q_OBJECT
public:
    ColorMenuButton(const QString& label, QWidget* parent = nullptr);

    void setColor(const QColor& color);

signals:
    void colorChosen(const QColor& color);

private:
    static QIcon swatch(const QColor& color, int size);

    QString label_;
    QColor color_;
};

} // namespace snipstack
