#include "app/panel/ItemDelegate.h"

#include "app/panel/ItemListModel.h"
#include "app/panel/ItemText.h"
#include "app/system/icons/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QTextLayout>

namespace snipstack {

namespace {

constexpr int margin = 6;
constexpr int padding = 10;
constexpr int gap = 4;
constexpr int textLines = 2;
constexpr int thumbnailHeight = 72;
constexpr int previewHeight = 96;
constexpr int radius = 8;

QColor withAlpha(QColor colour, qreal alpha) {
    colour.setAlphaF(alpha);
    return colour;
}

QFont smallFont(const QFont& font) {
    QFont small = font;
    small.setPointSizeF(font.pointSizeF() * 0.85);
    return small;
}

// Whether a text entry's row needs its second line, judged without laying the text out: the row's
// height must cost nothing, as the list asks it of every entry.
bool needsTwoLines(const ClipItem& item, int averageCharWidth, int width) {
    std::string_view text = item.text;
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return false;
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    text = text.substr(first, last - first + 1);
    return text.size() * std::size_t(averageCharWidth) > std::size_t(width) ||
           text.find('\n') != std::string_view::npos;
}

bool showsPreview(const ClipItem& item, const Preferences& preferences) {
    return item.kind == ClipKind::text && item.hasRichPreview.value_or(false) &&
           !preferences.plainTextTiles();
}

} // namespace

ItemDelegate::ItemDelegate(AppModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

QSize ItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* list = static_cast<const ItemListModel*>(index.model());
    const ClipItem& item = list->item(index.row());
    const int line = option.fontMetrics.height();
    const int detailsLine = QFontMetrics(smallFont(option.font)).height();
    const int textWidth = rowWidth_ - 2 * (margin + padding) - 20;
    int content =
        needsTwoLines(item, option.fontMetrics.averageCharWidth(), textWidth) ? textLines * line : line;
    if (item.kind == ClipKind::file) {
        content = textLines * line;
    } else if (item.kind == ClipKind::image) {
        content = thumbnailHeight;
    } else if (showsPreview(item, model_.preferences())) {
        content = previewHeight;
    }
    return {rowWidth_, 2 * margin + 2 * padding + content + gap + detailsLine};
}

void ItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const auto* list = static_cast<const ItemListModel*>(index.model());
    const ClipItem& item = list->item(index.row());
    const QPalette& palette = option.palette;
    const bool selected = index.data(ItemListModel::SelectedRole).toBool();
    const bool hovered = option.state & QStyle::State_MouseOver;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect card = option.rect.adjusted(margin, margin / 2, -margin, -margin / 2);
    if (selected) {
        painter->setPen(QPen(withAlpha(palette.color(QPalette::Highlight), 0.55), 1));
        painter->setBrush(withAlpha(palette.color(QPalette::Highlight), 0.16));
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(withAlpha(palette.color(QPalette::Text), hovered ? 0.08 : 0.035));
    }
    painter->drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const QRect inner = card.adjusted(padding, padding, -padding, -padding);
    const QFont small = smallFont(option.font);
    const int detailsHeight = QFontMetrics(small).height();
    const QRect body(inner.left(), inner.top(), inner.width(), inner.height() - detailsHeight - gap);
    const QRect detailsArea(inner.left(), inner.bottom() - detailsHeight + 1, inner.width(), detailsHeight);
    const QColor secondary = palette.color(QPalette::PlaceholderText);

    // The pin marker sits in the body's top-right corner; the text keeps clear of it.
    QRect content = body;
    if (item.isPinned) {
        const QPixmap pin = symbolPixmap("pin.fill", 14, palette.color(QPalette::Highlight),
                                         painter->device()->devicePixelRatioF());
        painter->drawPixmap(body.right() - 13, body.top(), pin);
        content.setRight(body.right() - 20);
    }

    switch (item.kind) {
    case ClipKind::image:
        if (!paintThumbnail(painter, content, item, false)) {
            paintPlaceholder(painter, content, option);
        }
        break;
    case ClipKind::file: {
        const auto lines = itemText::fileLines(item);
        const int line = option.fontMetrics.height();
        painter->setFont(small);
        painter->setPen(secondary);
        painter->drawText(QRect(content.left(), content.top(), content.width(), line),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          QFontMetrics(small).elidedText(lines.folder, Qt::ElideLeft, content.width()));
        painter->setFont(option.font);
        painter->setPen(palette.color(QPalette::Text));
        painter->drawText(QRect(content.left(), content.top() + line, content.width(), line),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(lines.names, Qt::ElideMiddle, content.width()));
        break;
    }
    case ClipKind::text:
        // The text stands in for its preview until the preview is decoded.
        if (!showsPreview(item, model_.preferences()) || !paintThumbnail(painter, content, item, true)) {
            paintText(painter, content, index.data(ItemListModel::RowTextRole).toString(), option);
        }
        break;
    }

    // Bottom line: where the entry came from (everything about it once revealed), and the digit key.
    painter->setFont(small);
    QRect detailsText = detailsArea;
    const QString hint = itemText::digitHint(index.row());
    if (!hint.isEmpty()) {
        const QFontMetrics metrics(small);
        const int width = metrics.horizontalAdvance(hint) + 10;
        const QRect key(detailsArea.right() - width + 1, detailsArea.top(), width, detailsArea.height());
        painter->setPen(Qt::NoPen);
        painter->setBrush(withAlpha(palette.color(QPalette::Text), 0.08));
        painter->drawRoundedRect(key, 4, 4);
        painter->setPen(secondary);
        painter->drawText(key, Qt::AlignCenter, hint);
        detailsText.setRight(key.left() - 8);
    }
    const bool revealed = index.row() == hoveredRow_ && model_.tileDetailsRevealed();
    QString details;
    if (revealed) {
        details = index.data(ItemListModel::DetailsRole).toString();
    } else if (item.sourceAppName) {
        details = QString::fromStdString(*item.sourceAppName);
    }
    if (const auto icon = model_.appIcon(item.sourceBundleID); icon && !icon->isNull()) {
        const int size = detailsArea.height() - 2;
        icon->paint(painter, QRect(detailsText.left(), detailsText.top() + 1, size, size));
        detailsText.setLeft(detailsText.left() + size + 5);
    }
    painter->setPen(secondary);
    painter->drawText(detailsText, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(small).elidedText(details, Qt::ElideRight, detailsText.width()));
    painter->restore();
}

void ItemDelegate::paintText(QPainter* painter, const QRect& area, const QString& text,
                             const QStyleOptionViewItem& option) const {
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    const QFontMetrics& metrics = option.fontMetrics;
    // Line breaks of the entry show as they are, blank lines left out, as many lines as the row has.
    QStringList paragraphs = text.split(u'\n');
    paragraphs.removeIf([](const QString& paragraph) { return paragraph.trimmed().isEmpty(); });
    int linesLeft = std::max(1, area.height() / metrics.height());
    int y = area.top();
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (qsizetype p = 0; p < paragraphs.size() && linesLeft > 0; ++p) {
        const QString& paragraph = paragraphs[p];
        QTextLayout layout(paragraph, option.font);
        layout.setTextOption(wrapping);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid() && linesLeft > 0;
             line = layout.createLine()) {
            line.setLineWidth(area.width());
            const QRect lineArea(area.left(), y, area.width(), metrics.height());
            const bool more =
                line.textStart() + line.textLength() < paragraph.size() || p + 1 < paragraphs.size();
            if (linesLeft == 1 && more) {
                const QString rest = paragraph.mid(line.textStart()).simplified() + QStringLiteral(" …");
                painter->drawText(lineArea, Qt::AlignLeft | Qt::AlignVCenter,
                                  metrics.elidedText(rest, Qt::ElideRight, area.width()));
            } else {
                painter->drawText(lineArea, Qt::AlignLeft | Qt::AlignVCenter,
                                  paragraph.mid(line.textStart(), line.textLength()).trimmed());
            }
            y += metrics.height();
            --linesLeft;
        }
        layout.endLayout();
    }
}

bool ItemDelegate::paintThumbnail(QPainter* painter, const QRect& area, const ClipItem& item,
                                  bool fill) const {
    const qreal ratio = painter->device()->devicePixelRatioF();
    const QString key = QStringLiteral("snipstack-row-%1-%2x%3-%4")
                            .arg(QString::fromStdString(item.id.string()))
                            .arg(area.width())
                            .arg(area.height())
                            .arg(ratio);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        const auto image = model_.thumbnailImage(item.id);
        if (!image) {
            return false;
        }
        // A preview fills the row's width and shows its top; a picture shows whole.
        const QSize target = fill ? QSize(area.width(), area.height()) * ratio : area.size() * ratio;
        QImage scaled = fill ? image->scaledToWidth(target.width(), Qt::SmoothTransformation)
                             : image->scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (fill && scaled.height() > target.height()) {
            scaled = scaled.copy(0, 0, scaled.width(), target.height());
        }
        pixmap = QPixmap::fromImage(scaled);
        pixmap.setDevicePixelRatio(ratio);
        QPixmapCache::insert(key, pixmap);
    }
    const QSizeF size = pixmap.deviceIndependentSize();
    const QRectF target(area.left(), area.top(), size.width(), size.height());
    QPainterPath clip;
    clip.addRoundedRect(target, 6, 6);
    painter->save();
    painter->setClipPath(clip);
    painter->drawPixmap(target.topLeft(), pixmap);
    painter->restore();
    return true;
}

void ItemDelegate::paintPlaceholder(QPainter* painter, const QRect& area,
                                    const QStyleOptionViewItem& option) const {
    const QRect box(area.left(), area.top(), area.height() * 4 / 3, area.height());
    painter->setPen(Qt::NoPen);
    painter->setBrush(withAlpha(option.palette.color(QPalette::Text), 0.06));
    painter->drawRoundedRect(box, 6, 6);
    const QPixmap photo = symbolPixmap("photo", 22, option.palette.color(QPalette::PlaceholderText),
                                       painter->device()->devicePixelRatioF());
    painter->drawPixmap(box.center() - QPoint(11, 11), photo);
}

} // namespace snipstack
