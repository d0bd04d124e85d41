#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>

namespace snipstack {

// One editor's text view, set up for what it was opened with: formatted text keeps its formatting
// and images and picks a light or dark page to suit its colours; plain text takes the system font.
class TextEditorState final : public QObject {
    Q_OBJECT
public:
    // Wider images are shown at this width.
    static constexpr qreal attachmentWidthLimit = 500;
    static constexpr qreal textInset = 10;
    static constexpr qreal plainFontPoints = 13;
    static constexpr double darkBackgroundWhite = 0.12;

    // Rich exactly when `formatted` is given; its document moves into the text view.
    TextEditorState(const QString& plainText, std::unique_ptr<QTextDocument> formatted,
                    QObject* parent = nullptr);
    ~TextEditorState() override;

    bool isRich() const { return rich_; }
    bool isEmpty() const { return empty_; }
    // Owned by the state until a layout takes it in.
    QTextEdit* textView() const { return textView_; }

    // Formatting of the selection, or of what is typed next when nothing is selected.
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();

signals:
    void isEmptyChanged(bool empty);

private:
    void showRichText(std::unique_ptr<QTextDocument> formatted);
    // The format at the start of the selection, or the typing format.
    QTextCharFormat formatAtSelection() const;
    void applyFormat(const QTextCharFormat& change);

    bool rich_;
    bool empty_;
    QPointer<QTextEdit> textView_;
};

} // namespace snipstack
