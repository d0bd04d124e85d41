#include "core/richtext/HtmlAnchorNames.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

namespace snipstack::richtext {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool sameLetter(char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameLetter);
}

// Walks the HTML as a browser tokenises it, as far as attributes go, and offers the name of each
// attribute in a start tag, with the tag's name, to `attribute`. Comments, declarations, end tags
// and the text of script and style elements hold none.
class Scanner {
public:
    using Attribute = std::function<void(std::string_view tag, std::string_view name)>;

    Scanner(std::string_view html, Attribute attribute) : html_(html), attribute_(std::move(attribute)) {}

    void run() {
        std::size_t at = 0;
        while ((at = html_.find('<', at)) != std::string_view::npos) {
            at = tag(at);
        }
    }

private:
    // From the '<' at `open`; returns where the text after the tag starts.
    std::size_t tag(std::size_t open) {
        const std::string_view rest = html_.substr(open);
        if (rest.starts_with("<!--")) {
            return after(html_.find("-->", open + 4), 3);
        }
        if (rest.size() >= 2 && (rest[1] == '/' || rest[1] == '!' || rest[1] == '?')) {
            return after(html_.find('>', open + 1), 1);
        }
        if (rest.size() < 2 || !isLetter(rest[1])) {
            // A '<' that starts no tag is text.
            return open + 1;
        }
        std::size_t at = open + 1;
        while (at < html_.size() && !isSpace(html_[at]) && html_[at] != '/' && html_[at] != '>') {
            ++at;
        }
        const std::string_view name = html_.substr(open + 1, at - open - 1);
        at = attributes(name, at);
        // Script and style hold text that is not markup up to their end tag.
        for (const std::string_view raw : {"script", "style", "textarea", "title"}) {
            if (equalsIgnoringCase(name, raw)) {
                const std::string end = "</" + std::string(raw);
                return std::size_t(std::search(html_.begin() + std::ptrdiff_t(at), html_.end(), end.begin(),
                                               end.end(), sameLetter) -
                                   html_.begin());
            }
        }
        return at;
    }

    // The attributes of the tag named `tag` from `at`, through the '>' that ends it.
    std::size_t attributes(std::string_view tag, std::size_t at) {
        while (at < html_.size()) {
            while (at < html_.size() && (isSpace(html_[at]) || html_[at] == '/')) {
                ++at;
            }
            if (at >= html_.size() || html_[at] == '>') {
                return std::min(at + 1, html_.size());
            }
            const std::size_t nameStart = at;
            // An '=' that starts a name is part of it, as browsers read it.
            if (html_[at] == '=') {
                ++at;
            }
            while (at < html_.size() && !isSpace(html_[at]) && html_[at] != '/' && html_[at] != '>' &&
                   html_[at] != '=') {
                ++at;
            }
            attribute_(tag, html_.substr(nameStart, at - nameStart));
            std::size_t valueAt = at;
            while (valueAt < html_.size() && isSpace(html_[valueAt])) {
                ++valueAt;
            }
            if (valueAt < html_.size() && html_[valueAt] == '=') {
                ++valueAt;
                while (valueAt < html_.size() && isSpace(html_[valueAt])) {
                    ++valueAt;
                }
                at = value(valueAt);
            }
        }
        return at;
    }

    // Past the attribute value starting at `at`.
    std::size_t value(std::size_t at) const {
        if (at < html_.size() && (html_[at] == '"' || html_[at] == '\'')) {
            return after(html_.find(html_[at], at + 1), 1);
        }
        while (at < html_.size() && !isSpace(html_[at]) && html_[at] != '>') {
            ++at;
        }
        return at;
    }

    // Past what was found at `found`, `length` long; the end when nothing was.
    std::size_t after(std::size_t found, std::size_t length) const {
        return found == std::string_view::npos ? html_.size() : found + length;
    }

    std::string_view html_;
    Attribute attribute_;
};

bool namesAnchor(std::string_view tag, std::string_view attribute) {
    return equalsIgnoringCase(attribute, "id") ||
           (equalsIgnoringCase(tag, "a") && equalsIgnoringCase(attribute, "name"));
}

} // namespace

std::string withoutManyAnchorNames(std::string_view html, std::size_t keepUpTo) {
    std::vector<std::string_view> names;
    Scanner(html, [&](std::string_view tag, std::string_view name) {
        if (namesAnchor(tag, name)) {
            names.push_back(name);
        }
    }).run();
    std::string kept(html);
    if (names.size() > keepUpTo) {
        // Renamed in place rather than removed: every other byte stays where it was, so the page
        // reads as before, less the anchors.
        for (const std::string_view name : names) {
            kept.replace(std::size_t(name.data() - html.data()), name.size(), name.size(), 'x');
        }
    }
    return kept;
}

} // namespace snipstack::richtext
