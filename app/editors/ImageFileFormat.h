#pragma once

#include <QString>
#include <array>

namespace snipstack {

// The formats "Save to File…" writes, in the order the format picker lists them.
enum class ImageFileFormat { png, jpeg, gif };

inline constexpr std::array<ImageFileFormat, 3> imageFileFormats{ImageFileFormat::png, ImageFileFormat::jpeg,
                                                                 ImageFileFormat::gif};

// "PNG", "JPEG", "GIF".
QString formatName(ImageFileFormat format);
// The file name extension, without its dot.
QString formatExtension(ImageFileFormat format);

} // namespace snipstack
