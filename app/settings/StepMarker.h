#pragma once

#include <QWidget>

namespace snipstack {

// The marker beside a first-run step: its number in a circle, or a green check once it is done.
class StepMarker : public QWidget {
    Q_OBJECT

public:
    explicit StepMarker(int number, QWidget* parent = nullptr);

    bool isDone() const { return done_; }
    void setDone(bool done);

    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int number_;
    bool done_ = false;
};

} // namespace snipstack
