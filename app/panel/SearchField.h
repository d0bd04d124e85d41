#pragma once

#include "app/model/AppModel.h"

#include <QLineEdit>

namespace snipstack {

// The search box: its text is the model's query both ways, and it takes the focus whenever the model
// raises its focus token (each time the panel opens).
class SearchField : public QLineEdit {
    Q_OBJECT

public:
    explicit SearchField(AppModel& model, QWidget* parent = nullptr);

    // An input method is composing text here; the panel's keys leave it alone meanwhile.
    bool isComposing() const { return composing_; }

protected:
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    AppModel& model_;
    bool composing_ = false;
};

} // namespace snipstack
