#include "app/system/richtext/TextDocumentConversion.h"

#include "app/system/richtext/ResourceDocument.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <algorithm>

namespace snipstack {

namespace {

using namespace richtext;

QColor qColor(const Color& color) {
    return QColor(color.red, color.green, color.blue);
}

Color color(const QColor& color) {
    const auto rgb = color.toRgb();
    return Color{static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                 static_cast<std::uint8_t>(rgb.blue())};
}

QTextCharFormat charFormat(const CharFormat& format) {
    QTextCharFormat out;
    if (!format.fontFamily.empty()) {
        out.setFontFamilies(QStringList{QString::fromStdString(format.fontFamily)});
    }
    if (format.fontSize > 0) {
        out.setFontPointSize(format.fontSize);
    }
    if (format.bold) {
        out.setFontWeight(QFont::Bold);
    }
    if (format.italic) {
        out.setFontItalic(true);
    }
    if (format.underline) {
        out.setFontUnderline(true);
    }
    if (format.strike) {
        out.setFontStrikeOut(true);
    }
    if (format.foreground) {
        out.setForeground(qColor(*format.foreground));
    }
    if (format.highlight) {
        out.setBackground(qColor(*format.highlight));
    }
    if (format.vertical != VerticalPosition::baseline) {
        out.setVerticalAlignment(format.vertical == VerticalPosition::superscript
                                     ? QTextCharFormat::AlignSuperScript
                                     : QTextCharFormat::AlignSubScript);
    }
    if (!format.link.empty()) {
        out.setAnchor(true);
        out.setAnchorHref(QString::fromStdString(format.link));
    }
    return out;
}

std::optional<Color> brushColor(const QTextCharFormat& format, int property) {
    if (!format.hasProperty(property)) {
        return std::nullopt;
    }
    const auto brush = format.brushProperty(property);
    return brush.style() == Qt::NoBrush ? std::nullopt : std::optional(color(brush.color()));
}

CharFormat charFormat(const QTextCharFormat& format) {
    CharFormat out;
    out.fontFamily = format.fontFamilies().toStringList().value(0).toStdString();
    if (format.hasProperty(QTextFormat::FontPointSize)) {
        out.fontSize = format.fontPointSize();
    } else if (format.hasProperty(QTextFormat::FontPixelSize)) {
        out.fontSize = format.intProperty(QTextFormat::FontPixelSize);
    }
    out.bold = format.fontWeight() >= QFont::DemiBold;
    out.italic = format.fontItalic();
    out.underline = format.fontUnderline();
    out.strike = format.fontStrikeOut();
    out.foreground = brushColor(format, QTextFormat::ForegroundBrush);
    out.highlight = brushColor(format, QTextFormat::BackgroundBrush);
    out.vertical =
        format.verticalAlignment() == QTextCharFormat::AlignSuperScript ? VerticalPosition::superscript
        : format.verticalAlignment() == QTextCharFormat::AlignSubScript ? VerticalPosition::subscript
                                                                        : VerticalPosition::baseline;
    if (format.isAnchor()) {
        out.link = format.anchorHref().toStdString();
    }
    return out;
}

QTextBlockFormat blockFormat(const ParagraphFormat& format) {
    QTextBlockFormat out;
    static constexpr Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                   Qt::AlignJustify};
    out.setAlignment(alignments[static_cast<int>(format.alignment)]);
    out.setLeftMargin(format.leftIndent);
    out.setRightMargin(format.rightIndent);
    out.setTextIndent(format.firstLineIndent);
    out.setTopMargin(format.spaceBefore);
    out.setBottomMargin(format.spaceAfter);
    return out;
}

ParagraphFormat paragraphFormat(const QTextBlockFormat& format) {
    ParagraphFormat out;
    const auto horizontal = format.alignment() & Qt::AlignHorizontal_Mask;
    out.alignment = horizontal.testFlag(Qt::AlignHCenter)   ? Alignment::center
                    : horizontal.testFlag(Qt::AlignJustify) ? Alignment::justify
                    : horizontal.testFlag(Qt::AlignRight)   ? Alignment::right
                                                            : Alignment::left;
    out.leftIndent = format.leftMargin();
    out.rightIndent = format.rightMargin();
    out.firstLineIndent = format.textIndent();
    out.spaceBefore = format.topMargin();
    out.spaceAfter = format.bottomMargin();
    return out;
}

class Writer {
public:
    explicit Writer(QTextDocument& document) : document_(document), cursor_(&document) {}

    void write(const Document& document) {
        for (const auto& block : document.blocks) {
            if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
                this->paragraph(*paragraph);
            } else {
                table(std::get<Table>(block));
            }
        }
    }

private:
    void startBlock(const ParagraphFormat& format) {
        if (fresh_) {
            cursor_.setBlockFormat(blockFormat(format));
            cursor_.setBlockCharFormat(QTextCharFormat());
            fresh_ = false;
        } else {
            cursor_.insertBlock(blockFormat(format), QTextCharFormat());
        }
    }

    void paragraph(const Paragraph& paragraph) {
        startBlock(paragraph.format);
        runs(paragraph.runs);
    }

    void runs(const std::vector<Run>& runs) {
        for (const auto& run : runs) {
            if (!run.image) {
                cursor_.insertText(QString::fromStdString(run.text), charFormat(run.format));
                continue;
            }
            const auto name =
                QStringLiteral("snipstack-image:%1.%2")
                    .arg(++images_)
                    .arg(QString::fromStdString(fileExtensionForMediaType(run.image->mediaType)));
            const auto& data = run.image->data;
            document_.addResource(
                QTextDocument::ImageResource, QUrl(name),
                QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size())));
            QTextImageFormat image;
            image.merge(charFormat(run.format));
            image.setName(name);
            if (run.image->width > 0 && run.image->height > 0) {
                image.setWidth(run.image->width);
                image.setHeight(run.image->height);
            }
            cursor_.insertImage(image);
        }
    }

    void table(const Table& table) {
        std::size_t columns = 1;
        for (const auto& row : table.rows) {
            columns = std::max(columns, row.cells.size());
        }
        if (table.rows.empty()) {
            return;
        }
        startBlock(ParagraphFormat{});
        QTextTableFormat format;
        format.setCellPadding(2);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        auto* qtable =
            cursor_.insertTable(static_cast<int>(table.rows.size()), static_cast<int>(columns), format);
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const auto& cells = table.rows[r].cells;
            for (std::size_t c = 0; c < cells.size(); ++c) {
                cursor_ = qtable->cellAt(static_cast<int>(r), static_cast<int>(c)).firstCursorPosition();
                fresh_ = true;
                for (const auto& paragraph : cells[c].paragraphs) {
                    this->paragraph(paragraph);
                }
            }
        }
        cursor_ = qtable->lastCursorPosition();
        cursor_.movePosition(QTextCursor::NextBlock);
        fresh_ = true;
    }

    QTextDocument& document_;
    QTextCursor cursor_;
    bool fresh_ = true;
    int images_ = 0;
};

class Reader {
public:
    explicit Reader(const QTextDocument& document) : document_(document) {}

    Document read() {
        Document out;
        frame(document_.rootFrame(), out);
        return out;
    }

private:
    void frame(const QTextFrame* frame, Document& out) {
        for (auto it = frame->begin(); !it.atEnd(); ++it) {
            if (const auto* table = qobject_cast<const QTextTable*>(it.currentFrame())) {
                out.blocks.emplace_back(this->table(*table));
            } else if (const auto* child = it.currentFrame()) {
                this->frame(child, out);
            } else if (it.currentBlock().isValid()) {
                out.blocks.emplace_back(paragraph(it.currentBlock()));
            }
        }
    }

    Table table(const QTextTable& table) {
        Table out;
        for (int r = 0; r < table.rows(); ++r) {
            TableRow row;
            for (int c = 0; c < table.columns(); ++c) {
                const auto cell = table.cellAt(r, c);
                if (cell.row() != r || cell.column() != c) {
                    continue;
                }
                TableCell content;
                const auto last = cell.lastCursorPosition().block();
                for (auto block = cell.firstCursorPosition().block(); block.isValid(); block = block.next()) {
                    content.paragraphs.push_back(paragraph(block));
                    if (block == last) {
                        break;
                    }
                }
                row.cells.push_back(std::move(content));
            }
            out.rows.push_back(std::move(row));
        }
        return out;
    }

    Paragraph paragraph(const QTextBlock& block) {
        Paragraph out{paragraphFormat(block.blockFormat()), {}};
        if (const auto* list = block.textList()) {
            auto marker = list->itemText(block);
            out.runs.push_back(Run{(marker.isEmpty() ? QStringLiteral("•") : marker).toStdString() + "\t",
                                   charFormat(block.charFormat()), std::nullopt});
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const auto fragment = it.fragment();
            const auto format = fragment.charFormat();
            if (format.isImageFormat()) {
                const auto image = attachmentImage(document_, format.toImageFormat());
                for (int i = 0; image && i < fragment.length(); ++i) {
                    out.runs.push_back(Run{{}, charFormat(format), image});
                }
            } else {
                out.runs.push_back(Run{fragment.text().toStdString(), charFormat(format), std::nullopt});
            }
        }
        return out;
    }

    const QTextDocument& document_;
};

// The media type of image bytes Qt recognises, when an attachment can keep them as they are.
std::optional<std::string> keptMediaType(const QByteArray& format) {
    if (format == "png" || format == "jpeg" || format == "gif" || format == "tiff" || format == "webp" ||
        format == "heic") {
        return "image/" + format.toStdString();
    }
    return std::nullopt;
}

std::optional<Image> pngImage(const QImage& image) {
    if (image.isNull()) {
        return std::nullopt;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Image{Bytes(png.begin(), png.end()), "image/png", static_cast<double>(image.width()),
                 static_cast<double>(image.height())};
}

} // namespace

void fillTextDocument(QTextDocument& into, const Document& document) {
    Writer(into).write(document);
}

std::unique_ptr<QTextDocument> toTextDocument(const Document& document) {
    auto out = std::make_unique<QTextDocument>();
    fillTextDocument(*out, document);
    return out;
}

Document fromTextDocument(const QTextDocument& document) {
    return Reader(document).read();
}

std::optional<Image> attachmentImage(const QTextDocument& document, const QTextImageFormat& format) {
    const auto resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    std::optional<Image> out;
    if (resource.userType() == QMetaType::QByteArray) {
        auto bytes = resource.toByteArray();
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        if (!reader.canRead()) {
            return std::nullopt;
        }
        // Bytes that are not a type attachments are written with are converted to PNG.
        if (const auto mediaType = keptMediaType(reader.format())) {
            const auto size = reader.size();
            out = Image{Bytes(bytes.begin(), bytes.end()), *mediaType, static_cast<double>(size.width()),
                        static_cast<double>(size.height())};
        } else {
            out = pngImage(reader.read());
        }
    } else {
        const auto image = resource.value<QImage>();
        if (!ResourceDocument::isPlaceholder(image)) {
            out = pngImage(image);
        }
    }
    if (!out) {
        return std::nullopt;
    }
    const double pixelWidth = out->width;
    if (format.width() > 0) {
        out->width = format.width();
        out->height = format.height() > 0 ? format.height()
                      : pixelWidth > 0    ? format.width() * out->height / pixelWidth
                                          : 0;
    } else if (format.height() > 0 && out->height > 0) {
        out->width = format.height() * out->width / out->height;
        out->height = format.height();
    }
    return out;
}

} // namespace snipstack
