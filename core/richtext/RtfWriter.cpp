#include "core/richtext/RtfWriter.h"

#include "core/richtext/ImageSize.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace snipstack::richtext {

namespace {

// Cell edges when a table says nothing of its widths: a page's text width in twips, shared evenly.
constexpr int tableWidthTwips = 9000;
constexpr std::size_t hexLineLength = 128;

int twips(double points) {
    return static_cast<int>(std::lround(points * 20));
}

// Decodes one UTF-8 sequence at `i`, moving past it; malformed bytes give U+FFFD.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    const int length = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (length < 0 || i + static_cast<std::size_t>(length) > text.size()) {
        return 0xFFFD;
    }
    char32_t c = lead & (0x3F >> length);
    for (int k = 0; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        c = c << 6 | (next & 0x3F);
        ++i;
    }
    return c;
}

// A field's quoted argument ends at a quote and readers split it at spaces: URLs escape both.
std::string fieldArgument(std::string_view url) {
    std::string out;
    for (const char c : url) {
        if (c == '"') {
            out += "%22";
        } else if (c == ' ') {
            out += "%20";
        } else {
            out += c;
        }
    }
    return out;
}

class RtfWriter {
public:
    RtfWriter(const Document& document, std::vector<AttachmentFile>* files)
        : document_(document), files_(files) {
        forEachParagraph(document, [&](const Paragraph& paragraph) {
            for (const auto& run : paragraph.runs) {
                if (!run.format.fontFamily.empty()) {
                    fonts_.emplace(run.format.fontFamily, 0);
                }
                addColor(run.format.foreground);
                addColor(run.format.highlight);
            }
        });
        int number = 1;
        for (auto& [name, index] : fonts_) {
            index = number++;
        }
    }

    std::string write() {
        out_ += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil\\fcharset0 Helvetica;}";
        for (const auto& [name, index] : fonts_) {
            out_ += "{\\f" + std::to_string(index) + "\\fnil\\fcharset0 ";
            text(name);
            out_ += ";}";
        }
        out_ += "}\n{\\colortbl;";
        for (const auto& color : colors_) {
            out_ += "\\red" + std::to_string(color.red) + "\\green" + std::to_string(color.green) + "\\blue" +
                    std::to_string(color.blue) + ";";
        }
        out_ += "}\n";
        for (const auto& block : document_.blocks) {
            if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
                this->paragraph(*paragraph, false);
                out_ += "\\par\n";
            } else {
                table(std::get<Table>(block));
            }
        }
        out_ += "}\n";
        return std::move(out_);
    }

private:
    void addColor(const std::optional<Color>& color) {
        if (color && std::find(colors_.begin(), colors_.end(), *color) == colors_.end()) {
            colors_.push_back(*color);
        }
    }

    int colorIndex(const Color& color) const {
        return static_cast<int>(std::find(colors_.begin(), colors_.end(), color) - colors_.begin()) + 1;
    }

    void table(const Table& table) {
        for (const auto& row : table.rows) {
            out_ += "\\trowd\\trgaph108";
            const auto cells = std::max<std::size_t>(row.cells.size(), 1);
            for (std::size_t i = 1; i <= row.cells.size(); ++i) {
                out_ += "\\cellx" + std::to_string(static_cast<int>(tableWidthTwips * i / cells));
            }
            out_ += '\n';
            for (const auto& cell : row.cells) {
                for (std::size_t i = 0; i < cell.paragraphs.size(); ++i) {
                    paragraph(cell.paragraphs[i], true);
                    out_ += i + 1 < cell.paragraphs.size() ? "\\par\n" : "";
                }
                if (cell.paragraphs.empty()) {
                    out_ += "\\pard\\intbl ";
                }
                out_ += "\\cell\n";
            }
            out_ += "\\row\n";
        }
        out_ += "\\pard\n";
    }

    void paragraph(const Paragraph& paragraph, bool inTable) {
        const auto& format = paragraph.format;
        out_ += inTable ? "\\pard\\intbl" : "\\pard";
        static constexpr const char* alignments[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
        out_ += alignments[static_cast<int>(format.alignment)];
        measure("\\li", format.leftIndent);
        measure("\\ri", format.rightIndent);
        measure("\\fi", format.firstLineIndent);
        measure("\\sb", format.spaceBefore);
        measure("\\sa", format.spaceAfter);
        out_ += ' ';
        const auto& runs = paragraph.runs;
        for (std::size_t i = 0; i < runs.size();) {
            const auto& link = runs[i].format.link;
            auto end = i + 1;
            while (end < runs.size() && runs[end].format.link == link) {
                ++end;
            }
            if (!link.empty()) {
                out_ += "{\\field{\\*\\fldinst{HYPERLINK \"";
                text(fieldArgument(link));
                out_ += "\"}}{\\fldrslt";
            }
            for (; i < end; ++i) {
                run(runs[i]);
            }
            if (!link.empty()) {
                out_ += "}}";
            }
        }
    }

    void measure(const char* word, double points) {
        if (const int value = twips(points); value != 0) {
            out_ += word + std::to_string(value);
        }
    }

    void run(const Run& run) {
        const auto& format = run.format;
        out_ += '{';
        if (!format.fontFamily.empty()) {
            out_ += "\\f" + std::to_string(fonts_.at(format.fontFamily));
        }
        if (format.fontSize > 0) {
            out_ += "\\fs" + std::to_string(static_cast<int>(std::lround(format.fontSize * 2)));
        }
        out_ += format.bold ? "\\b" : "";
        out_ += format.italic ? "\\i" : "";
        out_ += format.underline ? "\\ul" : "";
        out_ += format.strike ? "\\strike" : "";
        if (format.foreground) {
            out_ += "\\cf" + std::to_string(colorIndex(*format.foreground));
        }
        if (format.highlight) {
            out_ += "\\highlight" + std::to_string(colorIndex(*format.highlight));
        }
        out_ += format.vertical == VerticalPosition::superscript ? "\\super"
                : format.vertical == VerticalPosition::subscript ? "\\sub"
                                                                 : "";
        // A space after a control word ends it; anywhere else it is text.
        if (out_.back() != '{') {
            out_ += ' ';
        }
        if (run.image) {
            files_ ? attachment(*run.image) : picture(*run.image);
        } else {
            text(run.text);
        }
        out_ += '}';
    }

    void picture(const Image& image) {
        const bool png = image.mediaType == "image/png";
        if (!png && image.mediaType != "image/jpeg") {
            return;
        }
        const auto pixels = imagePixelSize(image.data);
        const int pixelWidth = pixels ? pixels->width : static_cast<int>(std::lround(image.width));
        const int pixelHeight = pixels ? pixels->height : static_cast<int>(std::lround(image.height));
        const double width = image.width > 0 ? image.width : pixelWidth;
        const double height = image.height > 0 ? image.height : pixelHeight;
        out_ += png ? "{\\pict\\pngblip" : "{\\pict\\jpegblip";
        out_ += "\\picw" + std::to_string(pixelWidth) + "\\pich" + std::to_string(pixelHeight) +
                "\\picwgoal" + std::to_string(twips(width)) + "\\pichgoal" + std::to_string(twips(height)) +
                '\n';
        static constexpr char digits[] = "0123456789abcdef";
        out_.reserve(out_.size() + image.data.size() * 2 + image.data.size() / (hexLineLength / 2) + 2);
        for (std::size_t i = 0; i < image.data.size(); ++i) {
            out_ += digits[image.data[i] >> 4];
            out_ += digits[image.data[i] & 0xF];
            if ((i + 1) % (hexLineLength / 2) == 0) {
                out_ += '\n';
            }
        }
        out_ += '}';
    }

    void attachment(const Image& image) {
        const auto name =
            "image" + std::to_string(files_->size() + 1) + "." + fileExtensionForMediaType(image.mediaType);
        files_->push_back(AttachmentFile{name, &image});
        out_ += "{{\\NeXTGraphic " + name + " \\width" + std::to_string(twips(image.width)) + " \\height" +
                std::to_string(twips(image.height)) + "\n}\\'ac}";
    }

    void text(std::string_view text) {
        for (std::size_t i = 0; i < text.size();) {
            const char32_t c = nextCodePoint(text, i);
            if (c == '\\' || c == '{' || c == '}') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c == '\t') {
                out_ += "\\tab ";
            } else if (c == 0x2028) {
                out_ += "\\line ";
            } else if (c >= 0x20 && c < 0x80) {
                out_ += static_cast<char>(c);
            } else if (c < 0x20) {
                unicode(c);
            } else if (c >= 0x10000) {
                unicode(0xD800 + ((c - 0x10000) >> 10));
                unicode(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                unicode(c);
            }
        }
    }

    // RTF's \u takes a signed 16-bit number.
    void unicode(char32_t unit) {
        out_ += "\\u" +
                std::to_string(unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit)) +
                '?';
    }

    const Document& document_;
    std::vector<AttachmentFile>* files_;
    std::map<std::string, int> fonts_;
    std::vector<Color> colors_;
    std::string out_;
};

} // namespace

std::string writeRtf(const Document& document) {
    return RtfWriter(document, nullptr).write();
}

std::string writeRtfWithAttachments(const Document& document, std::vector<AttachmentFile>& files) {
    return RtfWriter(document, &files).write();
}

} // namespace snipstack::richtext
