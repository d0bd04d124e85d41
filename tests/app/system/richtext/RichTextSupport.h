#pragma once

#include "core/model/ClipPayload.h"

#include <QBuffer>
#include <QImage>
#include <string>

namespace snipstack::testing {

inline Bytes imageBytes(QColor color, int width, int height, const char* format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Bytes(bytes.begin(), bytes.end());
}

inline ClipPayload payload(std::initializer_list<std::pair<std::string, std::string>> representations) {
    ClipPayload out;
    for (const auto& [type, data] : representations) {
        out.representations.push_back({type, bytesOf(data)});
    }
    return out;
}

} // namespace snipstack::testing
