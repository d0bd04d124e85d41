#include "app/editors/TextEditorState.h"

#include "app/editors/ImageFitting.h"
#include "app/editors/RichTextPreviews.h"

#include <QFontDatabase>
#include <QTextCursor>

namespace snipstack {

TextEditorState::TextEditorState(const QString& plainText, std::unique_ptr<QTextDocument> formatted,
                                 QObject* parent)
    : QObject(parent), rich_(formatted != nullptr), textView_(new QTextEdit) {
    textView_->setAcceptRichText(rich_);
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setUndoRedoEnabled(true);
    if (rich_) {
        showRichText(std::move(formatted));
    } else {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSizeF(plainFontPoints);
        textView_->setFont(font);
        textView_->setPlainText(plainText);
    }
    textView_->document()->setDocumentMargin(textInset);
    // Setting the text up is not an edit the user could undo.
    textView_->document()->clearUndoRedoStacks();
    empty_ = textView_->document()->isEmpty();
    connect(textView_, &QTextEdit::textChanged, this, [this] {
        const bool empty = textView_->document()->isEmpty();
        if (empty != empty_) {
            empty_ = empty;
            emit isEmptyChanged(empty);
        }
    });
}

TextEditorState::~TextEditorState() {
    if (textView_ && !textView_->parent()) {
        delete textView_.data();
    }
}

void TextEditorState::showRichText(std::unique_ptr<QTextDocument> formatted) {
    fitImagesToWidth(*formatted, attachmentWidthLimit);
    // Light text gets a dark page, as in the panel's previews.
    const bool lightText = !formatted->isEmpty() &&
                           RichTextPreviews::textLuminance(*formatted) > RichTextPreviews::lightTextThreshold;
    QPalette palette = textView_->palette();
    const QColor page = lightText
                            ? QColor::fromRgbF(darkBackgroundWhite, darkBackgroundWhite, darkBackgroundWhite)
                            : QColor(Qt::white);
    const QColor ink = lightText ? QColor(Qt::white) : QColor(Qt::black);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, page);
        // The text cursor is drawn in the text colour.
        palette.setColor(group, QPalette::Text, ink);
    }
    textView_->setPalette(palette);
    formatted->setUndoRedoEnabled(true);
    // The text view does not own a document it is given unless it is the document's parent.
    QTextDocument* document = formatted.release();
    document->setParent(textView_);
    textView_->setDocument(document);
}

QTextCharFormat TextEditorState::formatAtSelection() const {
    const QTextCursor selection = textView_->textCursor();
    if (!selection.hasSelection()) {
        return textView_->currentCharFormat();
    }
    // A cursor reports the format of the character before it.
    QTextCursor start(textView_->document());
    start.setPosition(selection.selectionStart() + 1);
    return start.charFormat();
}

void TextEditorState::applyFormat(const QTextCharFormat& change) {
    textView_->setFocus();
    textView_->mergeCurrentCharFormat(change);
}

void TextEditorState::toggleBold() {
    QTextCharFormat change;
    change.setFontWeight(formatAtSelection().font().bold() ? QFont::Normal : QFont::Bold);
    applyFormat(change);
}

void TextEditorState::toggleItalic() {
    QTextCharFormat change;
    change.setFontItalic(!formatAtSelection().font().italic());
    applyFormat(change);
}

void TextEditorState::toggleUnderline() {
    QTextCharFormat change;
    change.setFontUnderline(!formatAtSelection().font().underline());
    applyFormat(change);
}

} // namespace snipstack
