#pragma once

#include "app/editors/ImageFileFormat.h"

#include <QObject>

class QFileDialog;

namespace snipstack {

// The "Format:" pop-up of the save panel (the panel's own file-type row): PNG, JPEG or GIF, PNG first.
// Each choice changes the type the panel saves and the extension of the name typed.
class ImageSaveFormatPicker final : public QObject {
    Q_OBJECT
public:
    // Sets up `panel`, whose child it becomes.
    explicit ImageSaveFormatPicker(QFileDialog& panel);

    ImageFileFormat format() const { return format_; }
    void setFormat(ImageFileFormat format);

private:
    void applyFormat(ImageFileFormat format);

    QFileDialog& panel_;
    ImageFileFormat format_ = ImageFileFormat::png;
};

} // namespace snipstack
