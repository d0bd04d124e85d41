#pragma once

#include "core/richtext/RichDocument.h"

#include <string>
#include <vector>

namespace snipstack::richtext {

// A file an RTFD carries beside its text, named by a \NeXTGraphic marker.
struct AttachmentFile {
    std::string name;
    const Image* image = nullptr;
};

// RTF that word processors read back with the document's formatting, links, tables and images.
// Text outside ASCII is written as \uN with a '?' fallback; images as PNG or JPEG \pict groups
// (images of other types are left out: convert them first).
std::string writeRtf(const Document& document);

// RTF for an RTFD: each image is a \NeXTGraphic marker naming a file listed in `files`, in
// document order ("image1.png", "image2.jpeg", ...).
std::string writeRtfWithAttachments(const Document& document, std::vector<AttachmentFile>& files);

} // namespace snipstack::richtext
