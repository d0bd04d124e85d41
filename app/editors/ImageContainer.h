#pragma once

#include <QSize>
#include <QWidget>

namespace snipstack {

// The scroll view's content: the image fitted into the space the window leaves at 100%, magnified
// with it beyond. Gives the image view, the text overlay and the canvas (its children, bottom to top)
// the image's frame.
class ImageContainer final : public QWidget {
    Q_OBJECT
public:
    explicit ImageContainer(QWidget* parent = nullptr);

    void setImageSize(QSize pixels);
    // Sizes the container for a viewport of `viewport` points at `magnification`.
    void fit(QSize viewport, double magnification);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();

    QSize imageSize_;
    QSize viewport_;
    double magnification_ = 1;
};

} // namespace snipstack
