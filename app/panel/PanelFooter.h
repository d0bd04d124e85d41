#pragma once

#include "app/model/AppModel.h"

#include <QLabel>
#include <QWidget>

namespace snipstack {

// The key hints, and a warning while pasting into other programs is not possible.
class PanelFooter : public QWidget {
    Q_OBJECT

public:
    explicit PanelFooter(AppModel& model, QWidget* parent = nullptr);

    const QLabel& accessWarning() const { return *warningText_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    AppModel& model_;
    QList<QLabel*> keys_;
    QList<QLabel*> labels_;
    QLabel* warningIcon_;
    QLabel* warningText_;
};

} // namespace snipstack
