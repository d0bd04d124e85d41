#pragma once

#include "app/model/AppModel.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace snipstack {

// The body while the history is locked: why, the storage error if there is one, and "Unlock".
class LockedState : public QWidget {
    Q_OBJECT

public:
    explicit LockedState(AppModel& model, QWidget* parent = nullptr);

    const QLabel& errorLabel() const { return *error_; }
    QPushButton& unlockButton() { return *unlock_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    AppModel& model_;
    QLabel* lock_;
    QLabel* warning_;
    QLabel* error_;
    QPushButton* unlock_;
};

} // namespace snipstack
