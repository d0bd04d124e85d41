#pragma once

#include <QWidget>

namespace snipstack {

// What stands in for the history while the screen is shared or recorded and the user keeps the
// panel hidden from viewers. It shows nothing of the history.
class ShieldCard : public QWidget {
    Q_OBJECT

public:
    explicit ShieldCard(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace snipstack
