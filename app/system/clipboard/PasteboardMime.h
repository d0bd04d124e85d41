#pragma once

#include "core/values/Bytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How clipboard targets on X11 (MIME types and a few X atoms) map to the program's type identifiers.
namespace snipstack::pasteboard_mime {

inline constexpr std::string_view uriList = "text/uri-list";
inline constexpr std::string_view passwordManagerHint = "x-kde-passwordManagerHint";
// Latin-1 text by X convention; read only when no UTF-8 target is offered.
inline constexpr std::string_view latin1String = "STRING";

// The identifier a target offers, or nothing for X bookkeeping, Qt's internal types and X atoms that
// are not MIME types. "text/uri-list" and the password-manager hint come back as the file-URL and
// concealed identifiers; whether they hold file URLs or "secret" is up to the caller to check.
std::optional<std::string> identifierForTarget(std::string_view target);

// The offered targets that deliver an identifier, best first, spelled as offered (MIME types
// compare without regard to case).
std::vector<std::string> targetsToRead(std::string_view identifier, const std::vector<std::string>& offered);

// Toolkits offer one image under every format they can convert it to, each conversion costing the
// owner time and us memory, so only one is read: "image/png" when offered, else the first offered of
// TIFF, JPEG, GIF, WebP and BMP, in that preference. Spelled as offered; nothing when none is.
std::optional<std::string> chosenImageTarget(const std::vector<std::string>& offered);
// Whether an offered target is an image type other than `chosen`, and so neither read nor kept.
bool isOtherImageTarget(std::string_view target, const std::optional<std::string>& chosen);

// The MIME types a representation is written under; plain text goes under both the UTF-8 type and
// "text/plain", from which Qt also offers UTF8_STRING, STRING and TEXT.
std::vector<std::string> mimeTypesForIdentifier(std::string_view identifier);

// The absolute strings of the file URLs in a text/uri-list, in order.
std::vector<std::string> fileURLsInURIList(const Bytes& uriList);
Bytes uriListOf(const std::vector<std::string>& urls);

} // namespace snipstack::pasteboard_mime
