#include "app/editors/TextEditorView.h"

#include "app/editors/TextFindBar.h"
#include "app/model/AppModel.h"
#include "app/system/icons/SymbolIcon.h"
#include "app/system/richtext/RichTextDraft.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace snipstack {

namespace {

constexpr const char* symbolProperty = "symbol";

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace

TextEditorView::TextEditorView(AppModel& model, TextEditorState* state, QWidget* parent)
    : QWidget(parent), model_(model), state_(state), findBar_(new TextFindBar(state->textView(), this)),
      closeWatch_(*this, [this] { model_.editorClosed(saved_); }) {
    state_->setParent(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (state_->isRich()) {
        layout->addWidget(makeFormattingBar());
        layout->addWidget(separator(this));
    }
    layout->addWidget(findBar_);
    layout->addWidget(state_->textView(), 1);
    layout->addWidget(separator(this));
    layout->addWidget(makeBottomBar());

    auto* find = new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, &TextEditorView::openFindBar);
    setFocusProxy(state_->textView());
}

QWidget* TextEditorView::makeFormattingBar() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(2);
    const auto button = [&](const char* symbol, const QString& tip, const QKeySequence& keys,
                            void (TextEditorState::*toggle)()) {
        auto* made = new QToolButton(bar);
        made->setProperty(symbolProperty, QString::fromLatin1(symbol));
        made->setToolTip(tip);
        made->setShortcut(keys);
        made->setCheckable(true);
        made->setAutoRaise(true);
        made->setFocusPolicy(Qt::NoFocus);
        connect(made, &QToolButton::clicked, state_, toggle);
        layout->addWidget(made);
        return made;
    };
    bold_ = button("bold", tr("Bold"), QKeySequence::Bold, &TextEditorState::toggleBold);
    italic_ = button("italic", tr("Italic"), QKeySequence::Italic, &TextEditorState::toggleItalic);
    underline_ =
        button("underline", tr("Underline"), QKeySequence::Underline, &TextEditorState::toggleUnderline);
    layout->addSpacing(10);
    layout->addWidget(
        note(tr("Formatting and images are kept. Select and copy any part, including an image."), bar), 1);
    tintSymbols();
    connect(state_->textView(), &QTextEdit::currentCharFormatChanged, this,
            &TextEditorView::showTypingFormat);
    showTypingFormat(state_->textView()->currentCharFormat());
    return bar;
}

QWidget* TextEditorView::makeBottomBar() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);
    layout->addWidget(note(tr("Saving adds a new item at the top. The original is kept."), bar), 1);
    cancel_ = new QPushButton(tr("Cancel"), bar);
    cancel_->setShortcut(QKeySequence::Cancel);
    save_ = new QPushButton(tr("Save"), bar);
    save_->setShortcut(QKeySequence::Save);
    save_->setDefault(true);
    save_->setEnabled(!state_->isEmpty());
    for (auto* button : {cancel_, save_}) {
        button->setFocusPolicy(Qt::TabFocus);
        button->setMinimumWidth(88);
        layout->addWidget(button);
    }
    connect(state_, &TextEditorState::isEmptyChanged, save_,
            [this](bool empty) { save_->setEnabled(!empty); });
    connect(save_, &QPushButton::clicked, this, &TextEditorView::saveAndClose);
    connect(cancel_, &QPushButton::clicked, this, [this] { window()->close(); });
    return bar;
}

void TextEditorView::tintSymbols() {
    // The symbols in the bar's text colour, so that they read on a light or a dark theme.
    for (QToolButton* button : {bold_, italic_, underline_}) {
        if (button) {
            const QString symbol = button->property(symbolProperty).toString();
            button->setIcon(tintedSymbol(symbol.toStdString(),
                                         palette().color(QPalette::Active, QPalette::ButtonText),
                                         palette().color(QPalette::Disabled, QPalette::ButtonText)));
        }
    }
}

void TextEditorView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        tintSymbols();
    }
    QWidget::changeEvent(event);
}

void TextEditorView::showTypingFormat(const QTextCharFormat& format) {
    bold_->setChecked(format.font().bold());
    italic_->setChecked(format.font().italic());
    underline_->setChecked(format.font().underline());
}

void TextEditorView::saveAndClose() {
    // Saved once, should Save be pressed again before the window is gone.
    if (!saved_) {
        const QTextEdit& text = *state_->textView();
        saved_ = state_->isRich() ? model_.insertEditedRichText(richTextDraft(*text.document()))
                                  : model_.insertEditedText(text.toPlainText().toStdString());
    }
    window()->close();
}

void TextEditorView::openFindBar() {
    findBar_->open();
}

} // namespace snipstack
