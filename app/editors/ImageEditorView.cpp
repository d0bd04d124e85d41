#include "app/editors/ImageEditorView.h"

#include "app/editors/AnnotationCanvas.h"
#include "app/editors/ColorMenuButton.h"
#include "app/editors/ImageSaveFormatPicker.h"
#include "app/editors/PenThicknessSizes.h"
#include "app/editors/RecognizedTextOverlay.h"
#include "app/model/AppModel.h"
#include "app/system/icons/SymbolIcon.h"

#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QSaveFile>
#include <QScrollArea>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace snipstack {

namespace {

struct ToolCase {
    AnnotationTool tool;
    const char* symbol;
    const char* label;
};

constexpr std::array toolCases{
    ToolCase{AnnotationTool::selectText, "character.cursor.ibeam", "Select Text"},
    ToolCase{AnnotationTool::pen, "pencil.tip", "Pen"},
    ToolCase{AnnotationTool::highlight, "highlighter", "Highlight"},
    ToolCase{AnnotationTool::crop, "crop", "Crop"},
};

constexpr int dotIconSize = 14;

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    line->setFixedHeight(20);
    return line;
}

QIcon dotIcon(double diameter, const QColor& color) {
    QPixmap pixmap(dotIconSize * 2, dotIconSize * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const double offset = (dotIconSize - diameter) / 2;
    painter.drawEllipse(QRectF(offset, offset, diameter, diameter));
    return QIcon(pixmap);
}

} // namespace

ImageEditorView::ImageEditorView(AppModel& model, ImageEditorState* state, QWidget* parent)
    : QWidget(parent), model_(model), state_(state), closeWatch_(*this, [this] {
          if (!handedOver_) {
              model_.editorClosed(saved_);
          }
      }) {
    state_->setParent(this);
    setMinimumSize(minimumContentSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeToolbar());
    hint_ = new QLabel(this);
    hint_->setForegroundRole(QPalette::PlaceholderText);
    hint_->setContentsMargins(14, 0, 14, 8);
    QFont font = hint_->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    hint_->setFont(font);
    layout->addWidget(hint_);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    layout->addWidget(line);
    layout->addWidget(state_->scrollView(), 1);

    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), &ImageEditorView::undoLast);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &ImageEditorView::save);
    addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &ImageEditorView::saveToFile);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), &ImageEditorView::copySelectedText);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), &ImageEditorView::zoomOut);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), &ImageEditorView::zoomIn);
    // Ctrl with the "+" key as typed, which is Shift+= on most layouts.
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), &ImageEditorView::zoomIn);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &ImageEditorView::fitImage);
    addShortcut(QKeySequence(Qt::Key_Return), &ImageEditorView::cropIfSelected);
    addShortcut(QKeySequence(Qt::Key_Enter), &ImageEditorView::cropIfSelected);

    connect(state_, &ImageEditorState::toolChanged, this, &ImageEditorView::refresh);
    connect(state_, &ImageEditorState::annotationsChanged, this, &ImageEditorView::refresh);
    connect(state_, &ImageEditorState::imageChanged, this, &ImageEditorView::refresh);
    connect(state_, &ImageEditorState::transcriptChanged, this, &ImageEditorView::refresh);
    connect(state_, &ImageEditorState::recognitionDoneChanged, this, &ImageEditorView::refresh);
    connect(state_, &ImageEditorState::zoomPercentChanged, this, &ImageEditorView::refresh);
    connect(state_, &ImageEditorState::penColorChanged, this, &ImageEditorView::refresh);
    connect(state_, &ImageEditorState::highlightColorChanged, this, &ImageEditorView::refresh);
    tintSymbols();
    refresh();
}

QToolButton* ImageEditorView::symbolButton(const char* symbol, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(18, 18));
    symbols_[button] = QString::fromLatin1(symbol);
    return button;
}

QWidget* ImageEditorView::makeToolbar() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(10, 8, 10, 6);
    layout->setSpacing(4);

    tools_ = new QButtonGroup(bar);
    tools_->setExclusive(true);
    for (const ToolCase& tool : toolCases) {
        auto* button = symbolButton(tool.symbol, tr(tool.label), bar);
        button->setText(tr(tool.label));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setCheckable(true);
        tools_->addButton(button, int(tool.tool));
        layout->addWidget(button);
    }
    connect(tools_, &QButtonGroup::idClicked, this,
            [this](int id) { state_->setTool(static_cast<AnnotationTool>(id)); });
    layout->addSpacing(6);
    layout->addWidget(divider(bar));
    layout->addSpacing(6);

    copyAllText_ = new QPushButton(tr("Copy All Text"), bar);
    connect(copyAllText_, &QPushButton::clicked, this, &ImageEditorView::copyAllText);
    layout->addWidget(copyAllText_);

    crop_ = new QPushButton(tr("Crop to Selection"), bar);
    crop_->setToolTip(tr("Crop to Selection (Return)"));
    connect(crop_, &QPushButton::clicked, this, [this] { state_->cropToSelection(); });
    layout->addWidget(crop_);

    penControls_ = new QWidget(bar);
    auto* pen = new QHBoxLayout(penControls_);
    pen->setContentsMargins(0, 0, 0, 0);
    pen->setSpacing(2);
    penColor_ = new ColorMenuButton(tr("Pen colour"), penControls_);
    connect(penColor_, &ColorMenuButton::colorChosen, state_, &ImageEditorState::setPenColor);
    pen->addWidget(penColor_);
    pen->addSpacing(6);
    thicknesses_ = new QButtonGroup(penControls_);
    for (const auto& thickness : EnumCases<PenThickness>::cases) {
        auto* button = new QToolButton(penControls_);
        const QString label =
            tr("Pen thickness") + QStringLiteral(": ") + tr(std::string(thickness.display).c_str());
        button->setToolTip(label);
        button->setAccessibleName(label);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(QSize(dotIconSize, dotIconSize));
        thicknesses_->addButton(button, int(thickness.value));
        pen->addWidget(button);
    }
    thicknesses_->button(int(state_->penThickness()))->setChecked(true);
    connect(thicknesses_, &QButtonGroup::idClicked, this,
            [this](int id) { state_->setPenThickness(static_cast<PenThickness>(id)); });
    layout->addWidget(penControls_);

    highlightColor_ = new ColorMenuButton(tr("Highlight colour"), bar);
    connect(highlightColor_, &ColorMenuButton::colorChosen, state_, &ImageEditorState::setHighlightColor);
    layout->addWidget(highlightColor_);

    layout->addStretch(1);

    auto* zoomOut = symbolButton("minus.magnifyingglass", tr("Zoom out"), bar);
    connect(zoomOut, &QToolButton::clicked, this, &ImageEditorView::zoomOut);
    layout->addWidget(zoomOut);
    zoomLabel_ = new QLabel(bar);
    zoomLabel_->setAlignment(Qt::AlignCenter);
    zoomLabel_->setMinimumWidth(zoomLabel_->fontMetrics().horizontalAdvance(QStringLiteral("1200%")) + 6);
    layout->addWidget(zoomLabel_);
    auto* zoomIn = symbolButton("plus.magnifyingglass", tr("Zoom in"), bar);
    connect(zoomIn, &QToolButton::clicked, this, &ImageEditorView::zoomIn);
    layout->addWidget(zoomIn);
    auto* fit = symbolButton("arrow.up.left.and.down.right.magnifyingglass", tr("Fit the whole image"), bar);
    connect(fit, &QToolButton::clicked, this, &ImageEditorView::fitImage);
    layout->addWidget(fit);
    layout->addSpacing(6);
    layout->addWidget(divider(bar));
    layout->addSpacing(6);

    undo_ = symbolButton("arrow.uturn.backward", tr("Undo"), bar);
    connect(undo_, &QToolButton::clicked, this, &ImageEditorView::undoLast);
    layout->addWidget(undo_);
    saveToFile_ = new QPushButton(tr("Save to File…"), bar);
    saveToFile_->setToolTip(tr("Save as a file (PNG, JPEG or GIF)"));
    connect(saveToFile_, &QPushButton::clicked, this, &ImageEditorView::saveToFile);
    layout->addWidget(saveToFile_);
    save_ = new QPushButton(tr("Save"), bar);
    save_->setDefault(true);
    connect(save_, &QPushButton::clicked, this, &ImageEditorView::save);
    layout->addWidget(save_);
    for (QPushButton* button : {copyAllText_, crop_, saveToFile_, save_}) {
        button->setFocusPolicy(Qt::NoFocus);
    }
    return bar;
}

void ImageEditorView::addShortcut(const QKeySequence& keys, void (ImageEditorView::*action)()) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, action);
}

void ImageEditorView::undoLast() {
    state_->undo();
}

void ImageEditorView::zoomIn() {
    state_->zoom(ImageEditorState::zoomInFactor);
}

void ImageEditorView::zoomOut() {
    state_->zoom(ImageEditorState::zoomOutFactor);
}

void ImageEditorView::fitImage() {
    state_->resetZoom();
}

void ImageEditorView::cropIfSelected() {
    if (state_->tool() == AnnotationTool::crop && state_->hasCropSelection()) {
        state_->cropToSelection();
    }
}

void ImageEditorView::refresh() {
    const AnnotationTool tool = state_->tool();
    tools_->button(int(tool))->setChecked(true);
    copyAllText_->setVisible(tool == AnnotationTool::selectText);
    copyAllText_->setEnabled(!state_->transcript().isEmpty());
    crop_->setVisible(tool == AnnotationTool::crop);
    crop_->setEnabled(state_->hasCropSelection());
    penControls_->setVisible(tool == AnnotationTool::pen);
    highlightColor_->setVisible(tool == AnnotationTool::highlight);
    penColor_->setColor(state_->penColor());
    highlightColor_->setColor(state_->highlightColor());
    undo_->setEnabled(state_->canUndo());
    zoomLabel_->setText(QString::number(state_->zoomPercent()) + QLatin1Char('%'));
    refreshHint();
}

void ImageEditorView::refreshHint() {
    switch (state_->tool()) {
    case AnnotationTool::selectText:
        if (!state_->recognitionDone()) {
            // Recognition takes a moment; until it ends, saying no text was found would be wrong.
            hint_->setText(tr("Looking for text in the image…"));
        } else if (!state_->transcript().isEmpty()) {
            hint_->setText(tr("Drag over text in the image to select it, then press Ctrl+C to copy."));
        } else {
            hint_->setText(tr("No text was recognised in this image."));
        }
        return;
    case AnnotationTool::pen:
        hint_->setText(tr("Drag to draw. Saving adds a new item at the top; the original is kept."));
        return;
    case AnnotationTool::highlight:
        hint_->setText(
            tr("Drag to highlight an area. Saving adds a new item at the top; the original is kept."));
        return;
    case AnnotationTool::crop:
        hint_->setText(state_->hasCropSelection()
                           ? tr("Press Crop to Selection, or drag again to choose a different area.")
                           : tr("Drag over the part of the image you want to keep."));
        return;
    }
}

void ImageEditorView::tintSymbols() {
    // The symbols in the bar's text colour, so that they read on a light or a dark theme.
    const QColor active = palette().color(QPalette::Active, QPalette::ButtonText);
    const QColor disabled = palette().color(QPalette::Disabled, QPalette::ButtonText);
    for (const auto& [button, symbol] : symbols_) {
        button->setIcon(tintedSymbol(symbol.toStdString(), active, disabled));
    }
    for (const auto& thickness : EnumCases<PenThickness>::cases) {
        thicknesses_->button(int(thickness.value))->setIcon(dotIcon(penDotDiameter(thickness.value), active));
    }
}

void ImageEditorView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        tintSymbols();
    }
    QWidget::changeEvent(event);
}

void ImageEditorView::save() {
    // Saved once, should Save be pressed again before the window is gone.
    if (!saved_) {
        const auto png = state_->render();
        if (!png) {
            showFailure(tr("The image could not be encoded."));
            return;
        }
        saved_ = model_.insertEditedImage(*png);
        if (!saved_) {
            // Closing now would lose the edit the user asked to keep.
            showFailure(tr("The history cannot take it while it is locked or its key is being changed. "
                           "Try again in a moment."));
            return;
        }
    }
    window()->close();
}

void ImageEditorView::saveToFile() {
    auto* panel = new QFileDialog(window(), tr("Save to File…"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    // Qt's own panel, as it takes the format picker; it offers a new folder button.
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setWindowModality(Qt::WindowModal);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    panel->setDirectory(QDir(pictures).exists() ? pictures : QDir::homePath());
    auto* picker = new ImageSaveFormatPicker(*panel);
    panel->selectFile(QString::fromLatin1(proposedFileName) + QLatin1Char('.') +
                      formatExtension(picker->format()));
    connect(panel, &QFileDialog::fileSelected, this,
            [this, picker](const QString& path) { writeFile(path, picker->format()); });
    panel->open();
}

bool ImageEditorView::writeFile(const QString& path, ImageFileFormat format) {
    const auto bytes = state_->encodedImage(format);
    if (!bytes) {
        showFailure(tr("The image could not be encoded as %1.").arg(formatName(format)));
        return false;
    }
    // Written beside the target and renamed onto it, so a failure leaves any earlier file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes->data()), qint64(bytes->size())) !=
            qint64(bytes->size()) ||
        !file.commit()) {
        showFailure(file.errorString());
        return false;
    }
    return true;
}

void ImageEditorView::showFailure(const QString& description) {
    window()->raise();
    window()->activateWindow();
    auto* alert = new QMessageBox(QMessageBox::Warning, tr("Could not save the image"),
                                  tr("Could not save the image"), QMessageBox::Ok, window());
    alert->setInformativeText(description);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

void ImageEditorView::copyAllText() {
    const QString text = state_->transcript();
    if (text.isEmpty()) {
        return;
    }
    // Not recorded as our own write: the text is captured as a new entry, as any copy is.
    model_.monitor().pasteboard().setString(text.toStdString());
    // The text editor carries on the edit and hands the focus back when it closes.
    handedOver_ = true;
    emit textEditorRequested(text);
    window()->close();
}

void ImageEditorView::copySelectedText() {
    if (state_->tool() != AnnotationTool::selectText) {
        return;
    }
    const QString text = state_->overlay()->selectedText();
    if (!text.isEmpty()) {
        model_.monitor().pasteboard().setString(text.toStdString());
    }
}

} // namespace snipstack
