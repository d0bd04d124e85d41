#pragma once

#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace snipstack {

// Shows the editor's image stretched over the whole view. Shrunk, it is scaled smoothly once per size
// and kept, so that a repaint under a moving pen costs only the few pixels it covers.
class EditorImageView final : public QWidget {
    Q_OBJECT
public:
    explicit EditorImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QPixmap shrunk_;
    // While the size keeps changing (a zoom animating, a window being resized) the kept scaling is
    // stretched; it is made again once the size has settled.
    QTimer settle_;
};

} // namespace snipstack
