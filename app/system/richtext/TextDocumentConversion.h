#pragma once

#include "core/richtext/RichDocument.h"

#include <QTextDocument>
#include <QTextImageFormat>
#include <memory>
#include <optional>

namespace snipstack {

// Formatted text as QTextDocument holds it. Images become document resources under names whose
// extension gives their type ("snipstack-image:1.png"), holding the image file's bytes as they
// were; a point is taken as a pixel.
std::unique_ptr<QTextDocument> toTextDocument(const richtext::Document& document);
// Writes `document` into an empty `into` (a subclass serving resources, say).
void fillTextDocument(QTextDocument& into, const richtext::Document& document);

// The document's text, formatting, links, tables and images with their bytes; a list item's
// number or bullet becomes part of its text. Images without bytes are left out.
richtext::Document fromTextDocument(const QTextDocument& document);

// The file bytes and media type of an image in `document`: a resource holding bytes that read as
// an image keeps them, a resource holding a picture is converted to PNG; nothing for a missing
// resource or a remote image's placeholder.
std::optional<richtext::Image> attachmentImage(const QTextDocument& document, const QTextImageFormat& format);

} // namespace snipstack
