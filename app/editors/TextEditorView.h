#pragma once

#include "app/editors/TextEditorState.h"
#include "app/editors/WindowCloseWatch.h"
#include "core/model/ClipItem.h"

#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <optional>

namespace snipstack {

class AppModel;
class TextFindBar;

// An editor window's content: the formatting bar (rich text only), the text, the find bar and the
// Save and Cancel buttons. Saving adds the text as a new entry; however the window closes, the model
// hears once that the editor is done, with the entry it saved if any.
class TextEditorView final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize contentSize{620, 460};

    // Takes `state` over.
    TextEditorView(AppModel& model, TextEditorState* state, QWidget* parent = nullptr);

    TextEditorState& state() const { return *state_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }

    void saveAndClose();
    void openFindBar();

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* makeFormattingBar();
    QWidget* makeBottomBar();
    void tintSymbols();
    void showTypingFormat(const QTextCharFormat& format);

    AppModel& model_;
    TextEditorState* state_;
    TextFindBar* findBar_;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QToolButton* bold_ = nullptr;
    QToolButton* italic_ = nullptr;
    QToolButton* underline_ = nullptr;
    std::optional<ClipItem> saved_;
    // The model hears once that the editor is done, with the entry it saved if any.
    WindowCloseWatch closeWatch_;
};

} // namespace snipstack
