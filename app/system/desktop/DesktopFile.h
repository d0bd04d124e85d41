#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace snipstack {

// The groups and keys of a desktop file, read from its bytes alone.
//
// Lines end in LF or CRLF; blank lines and lines starting with '#' are comments. "[Group]" starts a
// group; "Key=Value" and localised "Key[de_DE]=Value" lines belong to the group above them, with
// blanks around '=' ignored. Keys are made of A-Z, a-z, 0-9 and '-'. Any other line is skipped, and
// so are key lines outside a valid group. The first occurrence of a key in a group counts, also
// when the group appears twice.
class DesktopFile {
public:
    explicit DesktopFile(std::string_view content);

    bool hasGroup(std::string_view group) const;

    // The value with its escapes \s \n \t \r \\ resolved and invalid UTF-8 replaced; nothing when
    // the group does not have the key.
    std::optional<std::string> value(std::string_view group, std::string_view key) const;

    // The numbers, from 1, of the lines that were skipped as invalid.
    const std::vector<std::size_t>& skippedLines() const { return skippedLines_; }

private:
    using Group = std::map<std::string, std::string, std::less<>>;

    std::map<std::string, Group, std::less<>> groups_;
    std::vector<std::size_t> skippedLines_;
};

} // namespace snipstack
