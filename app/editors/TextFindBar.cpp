#include "app/editors/TextFindBar.h"

#include "app/system/icons/SymbolIcon.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QTextCursor>
#include <QToolButton>

namespace snipstack {

namespace {

QToolButton* arrowButton(Qt::ArrowType arrow, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

} // namespace

TextFindBar::TextFindBar(QTextEdit* textView, QWidget* parent)
    : QWidget(parent), textView_(textView), field_(new QLineEdit(this)) {
    field_->setPlaceholderText(tr("Find"));
    field_->setClearButtonEnabled(true);
    field_->addAction(symbolIcon("magnifyingglass"), QLineEdit::LeadingPosition);
    field_->installEventFilter(this);
    auto* previous = arrowButton(Qt::UpArrow, tr("Previous"), this);
    auto* next = arrowButton(Qt::DownArrow, tr("Next"), this);
    auto* done = new QToolButton(this);
    done->setText(tr("Done"));
    done->setAutoRaise(true);
    connect(previous, &QToolButton::clicked, this, [this] { find(true); });
    connect(next, &QToolButton::clicked, this, [this] { find(false); });
    connect(done, &QToolButton::clicked, this, &TextFindBar::dismiss);
    connect(field_, &QLineEdit::textEdited, this, [this] {
        // Searching again from the match's start lets a longer search keep the same match.
        QTextCursor cursor = textView_->textCursor();
        cursor.setPosition(cursor.selectionStart());
        textView_->setTextCursor(cursor);
        find(false);
    });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);
    layout->addWidget(field_, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(done);
    hide();
}

void TextFindBar::open() {
    show();
    field_->setFocus();
    field_->selectAll();
}

void TextFindBar::dismiss() {
    hide();
    textView_->setFocus();
}

bool TextFindBar::find(bool backwards) {
    const QString text = field_->text();
    if (text.isEmpty()) {
        return false;
    }
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (textView_->find(text, flags)) {
        return true;
    }
    const QTextCursor before = textView_->textCursor();
    QTextCursor wrapped = before;
    wrapped.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
    textView_->setTextCursor(wrapped);
    if (textView_->find(text, flags)) {
        return true;
    }
    textView_->setTextCursor(before);
    return false;
}

bool TextFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_ ||
        (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool escape = key->key() == Qt::Key_Escape;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!escape && !enter) {
        return false;
    }
    // Taken before the window's shortcuts see them: Escape here closes the bar, not the editor.
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        if (escape) {
            dismiss();
        } else {
            find(key->modifiers().testFlag(Qt::ShiftModifier));
        }
    }
    return true;
}

} // namespace snipstack
