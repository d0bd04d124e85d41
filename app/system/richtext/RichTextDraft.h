#pragma once

#include "core/model/ClipDraft.h"

#include <QTextDocument>
#include <optional>

namespace snipstack {

// Edited formatted text as a capture: a flat RTFD when it holds images, RTF, HTML with its images
// as data URLs (left out when its images cannot be matched to the document's), and UTF-8 plain
// text without the image placeholders U+FFFC. The content hash is over the first representation.
// Kind text, no source. Nothing for an empty document.
std::optional<ClipDraft> richTextDraft(const QTextDocument& text);

} // namespace snipstack
