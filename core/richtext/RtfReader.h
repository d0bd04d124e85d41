#pragma once

#include "core/richtext/RichDocument.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace snipstack::richtext {

// Files an RTFD's text names in its \NeXTGraphic attachment markers, by file name.
using Attachments = std::map<std::string, Bytes, std::less<>>;

// Bounds that keep hostile input from exhausting the stack, memory or time.
struct RtfLimits {
    // Groups nested deeper are read as part of the deepest one kept.
    std::size_t maxDepth = 512;
    // The document read stops growing here: text, images and a fixed cost per run and paragraph.
    std::size_t maxDocumentBytes = 64 * 1024 * 1024;
};

// Reads RTF as word processors, browsers and Cocoa write it: code pages (\ansicpg, per-font
// \fcharset), \u with \uc, character and paragraph formatting, HYPERLINK fields, tables as rows of
// cells, PNG and JPEG pictures, and \NeXTGraphic markers resolved through `attachments` (markers
// without a file are dropped). Other pictures and the destinations that are not document text are
// skipped. Nothing when the bytes do not start as RTF; input that breaks off gives what was read.
std::optional<Document> readRtf(std::string_view rtf, const Attachments& attachments = {},
                                const RtfLimits& limits = {});

} // namespace snipstack::richtext
