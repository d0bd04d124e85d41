#pragma once

#include <QAbstractButton>

namespace snipstack {

// An on/off switch: a checkable button drawn as a sliding knob in a track, coloured from the palette
// so that it follows the light and dark themes. Its text is its accessible name; the label beside it
// is the form's.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(const QString& accessibleName, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // Sets the state without sending toggled(): for showing a value read back from the model.
    void display(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};

} // namespace snipstack
