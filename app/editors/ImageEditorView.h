#pragma once

#include "app/editors/ImageEditorState.h"
#include "app/editors/WindowCloseWatch.h"
#include "core/model/ClipItem.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <map>
#include <optional>

namespace snipstack {

class AppModel;
class ColorMenuButton;

// An image editor window's content: the toolbar, the hint for the tool in use and the image. "Save"
// adds the edited image as a new entry; "Save to File…" writes it as PNG, JPEG or GIF; "Copy All Text"
// hands the recognised text to a text editor. However the window closes, the model hears once that the
// editor is done, unless a text editor took over from it.
class ImageEditorView final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize contentSize{1000, 700};
    static constexpr QSize minimumContentSize{940, 480};
    static constexpr const char* proposedFileName = "Snipstack Image";

    // Takes `state` over.
    ImageEditorView(AppModel& model, ImageEditorState* state, QWidget* parent = nullptr);

    ImageEditorState& state() const { return *state_; }
    QString hint() const { return hint_->text(); }
    QAbstractButton* toolButton(AnnotationTool tool) const { return tools_->button(int(tool)); }
    QPushButton* copyAllTextButton() const { return copyAllText_; }
    QPushButton* cropButton() const { return crop_; }
    QToolButton* undoButton() const { return undo_; }
    QPushButton* saveButton() const { return save_; }
    QLabel* zoomLabel() const { return zoomLabel_; }

    void save();
    void saveToFile();
    void copyAllText();
    // Puts the words selected in the image on the clipboard.
    void copySelectedText();
    // Writes the image to `path` in `format`; on failure shows the alert and answers false.
    bool writeFile(const QString& path, ImageFileFormat format);

signals:
    // "Copy All Text": a text editor should open on `text`.
    void textEditorRequested(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* makeToolbar();
    QToolButton* symbolButton(const char* symbol, const QString& tip, QWidget* parent);
    void addShortcut(const QKeySequence& keys, void (ImageEditorView::*action)());
    void undoLast();
    void zoomIn();
    void zoomOut();
    void fitImage();
    // Return crops while there is a crop selection.
    void cropIfSelected();
    void refresh();
    void refreshHint();
    void tintSymbols();
    void showFailure(const QString& description);

    AppModel& model_;
    ImageEditorState* state_;
    QButtonGroup* tools_ = nullptr;
    QButtonGroup* thicknesses_ = nullptr;
    QPushButton* copyAllText_ = nullptr;
    QPushButton* crop_ = nullptr;
    ColorMenuButton* penColor_ = nullptr;
    QWidget* penControls_ = nullptr;
    ColorMenuButton* highlightColor_ = nullptr;
    QToolButton* undo_ = nullptr;
    QPushButton* saveToFile_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* hint_ = nullptr;
    std::map<QAbstractButton*, QString> symbols_;
    std::optional<ClipItem> saved_;
    bool handedOver_ = false;
    // The model hears once that the editor is done, unless the text editor took over.
    WindowCloseWatch closeWatch_;
};

} // namespace snipstack
