#pragma once

#include "core/richtext/RichDocument.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace snipstack::richtext {

// One regular file of an RTFD directory; files in subfolders are named "folder/name".
struct RtfdFile {
    std::string name;
    Bytes data;

    friend bool operator==(const RtfdFile&, const RtfdFile&) = default;
};

// The serialized directory of a flat RTFD ("com.apple.flat-rtfd"): the magic "rtfd" and a version,
// then a directory record (kind 3, the number of entries, every entry's name with its length, every
// entry's record size, then the records). A regular file's record is kind 1, its size and its
// bytes. Integers are 32-bit little-endian. Nothing when the bytes do not hold such a directory.
std::optional<std::vector<RtfdFile>> readRtfdFiles(std::string_view bytes);
Bytes writeRtfdFiles(const std::vector<RtfdFile>& files);

// The document in an RTFD's "TXT.rtf", its \NeXTGraphic markers resolved to the files beside it.
std::optional<Document> readFlatRtfd(std::string_view bytes);
// "TXT.rtf" and the document's images as files; images keep their bytes and type.
Bytes writeFlatRtfd(const Document& document);

} // namespace snipstack::richtext
