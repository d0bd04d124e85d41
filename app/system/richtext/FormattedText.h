#pragma once

#include "core/model/ClipPayload.h"

#include <QTextDocument>
#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

namespace snipstack {

namespace FormattedType {
inline constexpr std::string_view flatRtfd = "com.apple.flat-rtfd";
inline constexpr std::string_view webArchive = "com.apple.webarchive";
} // namespace FormattedType

// A representation larger than this is not read as formatted text.
inline constexpr std::size_t maxFormattedBytes = 2'097'152;

// The payload's formatted text: the first of its flat RTFD, web archive, RTF and HTML that is
// present, not empty, within maxFormattedBytes, and reads as a document with text or images;
// null when there is none. HTML is read as UTF-8; images come from the payload (web-archive
// subresources, data URLs), never from the network or disk. Main thread only.
std::unique_ptr<QTextDocument> formattedText(const ClipPayload& payload);

} // namespace snipstack
