#pragma once

#include <QLineEdit>
#include <QTextEdit>
#include <QWidget>

namespace snipstack {

// A one-line search over a text view: Return finds the next match, Shift+Return the previous one,
// both wrapping around; Escape closes the bar and hands the keys back to the text.
class TextFindBar final : public QWidget {
    Q_OBJECT
public:
    explicit TextFindBar(QTextEdit* textView, QWidget* parent = nullptr);

    // Shows the bar with its field focused and the current search selected.
    void open();
    void dismiss();
    // False when the text has no match; the selection then stays where it was.
    bool find(bool backwards);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTextEdit* textView_;
    QLineEdit* field_;
};

} // namespace snipstack
