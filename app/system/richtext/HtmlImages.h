#pragma once

#include <QByteArray>
#include <QTextDocument>
#include <optional>

namespace snipstack {

// The document as UTF-8 HTML whose i-th <img> source is the i-th image's bytes as a data URL.
// Nothing when the HTML's images cannot be paired one to one with the document's; images without
// bytes keep their source.
std::optional<QByteArray> htmlWithEmbeddedImages(const QTextDocument& document);

} // namespace snipstack
