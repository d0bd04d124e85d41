#include "app/editors/ImageFileFormat.h"

namespace snipstack {

QString formatName(ImageFileFormat format) {
    switch (format) {
    case ImageFileFormat::png:
        return QStringLiteral("PNG");
    case ImageFileFormat::jpeg:
        return QStringLiteral("JPEG");
    case ImageFileFormat::gif:
        return QStringLiteral("GIF");
    }
    return {};
}

QString formatExtension(ImageFileFormat format) {
    switch (format) {
    case ImageFileFormat::png:
        return QStringLiteral("png");
    case ImageFileFormat::jpeg:
        return QStringLiteral("jpg");
    case ImageFileFormat::gif:
        return QStringLiteral("gif");
    }
    return {};
}

} // namespace snipstack
