#include "app/editors/ImageSaveFormatPicker.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace snipstack {

namespace {

QString filterFor(ImageFileFormat format) {
    return formatName(format) + QStringLiteral(" (*.") + formatExtension(format) +
           (format == ImageFileFormat::jpeg ? QStringLiteral(" *.jpeg)") : QStringLiteral(")"));
}

} // namespace

ImageSaveFormatPicker::ImageSaveFormatPicker(QFileDialog& panel) : QObject(&panel), panel_(panel) {
    QStringList filters;
    for (const ImageFileFormat format : imageFileFormats) {
        filters << filterFor(format);
    }
    panel_.setNameFilters(filters);
    // The pop-up reads "PNG", "JPEG", "GIF".
    panel_.setOption(QFileDialog::HideNameFilterDetails);
    panel_.setLabelText(QFileDialog::FileType, tr("Format:"));
    panel_.setDefaultSuffix(formatExtension(format_));
    connect(&panel_, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        for (const ImageFileFormat format : imageFileFormats) {
            if (filter == filterFor(format)) {
                applyFormat(format);
            }
        }
    });
}

void ImageSaveFormatPicker::setFormat(ImageFileFormat format) {
    panel_.selectNameFilter(filterFor(format));
    applyFormat(format);
}

void ImageSaveFormatPicker::applyFormat(ImageFileFormat format) {
    format_ = format;
    panel_.setDefaultSuffix(formatExtension(format));
    // The name typed so far keeps its stem and takes the new extension.
    if (auto* name = panel_.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        const QString typed = name->text();
        if (!typed.isEmpty()) {
            const QFileInfo info(typed);
            const QString suffix = info.suffix().toLower();
            const bool ours = suffix == QLatin1String("png") || suffix == QLatin1String("jpg") ||
                              suffix == QLatin1String("jpeg") || suffix == QLatin1String("gif");
            const QString stem = ours ? info.completeBaseName() : typed;
            name->setText(stem + QLatin1Char('.') + formatExtension(format));
        }
    }
}

} // namespace snipstack
