#pragma once

#include <QLabel>
#include <QWidget>
#include <string_view>

namespace snipstack {

// A symbol over a line of text, centred in the panel's body: the locked, empty and no-match states.
class StateMessage : public QWidget {
    Q_OBJECT

public:
    StateMessage(std::string_view symbol, const QString& text, QWidget* parent = nullptr);

    QLabel& textLabel() { return *text_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyPalette();

    std::string_view symbol_;
    QLabel* icon_;
    QLabel* text_;
};

} // namespace snipstack
