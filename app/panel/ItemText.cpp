#include "app/panel/ItemText.h"

#include <QDateTime>
#include <QStringList>
#include <array>
#include <utility>

namespace snipstack::itemText {

namespace {

// Seconds from the Unix epoch to 2001-01-01, the epoch of stored dates.
constexpr double referenceDateOffset = 978307200.0;

// The first `count` code points, without splitting a surrogate pair.
QString leftCodePoints(const QString& text, int count) {
    if (count < text.size() && text.at(count).isLowSurrogate()) {
        --count;
    }
    return text.left(count);
}

qsizetype codePointCount(const QString& text) {
    qsizetype count = 0;
    for (const QChar c : text) {
        count += c.isLowSurrogate() ? 0 : 1;
    }
    return count;
}

} // namespace

QString rowText(const ClipItem& item) {
    // Only the head of a long text is ever looked at; converting all of a 100,000-character entry
    // would cost every repaint.
    const std::size_t headBytes = std::min<std::size_t>(item.text.size(), textLimit * 4);
    QString text =
        leftCodePoints(QString::fromUtf8(item.text.data(), qsizetype(headBytes)), textLimit).trimmed();
    if (codePointCount(text) > shownLimit) {
        text = leftCodePoints(text, shownLimit) + QStringLiteral("…");
    }
    return text;
}

FileLines fileLines(const ClipItem& item) {
    const QStringList paths = QString::fromStdString(item.text).split(u'\n', Qt::SkipEmptyParts);
    if (paths.isEmpty()) {
        return {};
    }
    const QString& first = paths.front();
    const auto slash = first.lastIndexOf(u'/');
    FileLines lines{slash > 0 ? first.left(slash) : QStringLiteral("/"), first.mid(slash + 1)};
    if (paths.size() > 1) {
        lines.names += QStringLiteral(" and %1 more").arg(paths.size() - 1);
    }
    return lines;
}

QString detailsLine(const ClipItem& item, const QLocale& locale) {
    QStringList parts;
    if (item.sourceAppName) {
        parts << QString::fromStdString(*item.sourceAppName);
    }
    const auto used = QDateTime::fromMSecsSinceEpoch(
        static_cast<qint64>((item.lastUsedAt.secondsSinceReferenceDate + referenceDateOffset) * 1000));
    parts << locale.toString(used.date(), QLocale::ShortFormat) + QStringLiteral(", ") +
                 locale.toString(used.time(), QLocale::ShortFormat);
    switch (item.kind) {
    case ClipKind::text: {
        const auto count = codePointCount(QString::fromStdString(item.text));
        parts << locale.toString(qlonglong(count)) +
                     (count == 1 ? QStringLiteral(" character") : QStringLiteral(" characters"));
        break;
    }
    case ClipKind::image:
        if (item.imageWidth && item.imageHeight) {
            parts << QStringLiteral("%1 × %2").arg(*item.imageWidth).arg(*item.imageHeight);
        }
        parts << locale.formattedDataSize(item.byteCount, 1, QLocale::DataSizeSIFormat);
        break;
    case ClipKind::file: {
        const auto count = QString::fromStdString(item.text).split(u'\n', Qt::SkipEmptyParts).size();
        parts << (count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count));
        break;
    }
    }
    return parts.join(QStringLiteral(" · "));
}

QString countText(std::size_t visible, std::size_t total) {
    if (visible == total) {
        return total == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(total);
    }
    return QStringLiteral("%1 of %2").arg(visible).arg(total);
}

QString digitHint(int row) {
    return row < 10 ? QStringLiteral("Ctrl+%1").arg(row) : QString();
}

std::vector<MenuEntry> contextMenu(const ClipItem& item, const Preferences& preferences) {
    static constexpr std::array<std::pair<ClickKind, const char*>, 4> clicks{{
        {ClickKind::plain, "click"},
        {ClickKind::command, "Ctrl click"},
        {ClickKind::option, "Alt click"},
        {ClickKind::shift, "Shift click"},
    }};
    const auto titled = [&](const QString& title, ItemAction action) {
        for (const auto& [kind, name] : clicks) {
            if (preferences.action(kind) == action) {
                return title + QStringLiteral("      ") + QString::fromLatin1(name);
            }
        }
        return title;
    };
    std::vector<MenuEntry> entries;
    if (item.kind != ClipKind::file) {
        entries.push_back({titled(QStringLiteral("Edit…"), ItemAction::edit), ItemAction::edit});
    }
    entries.push_back({titled(QStringLiteral("Paste Next"), ItemAction::moveToTop), ItemAction::moveToTop});
    entries.push_back(
        {titled(item.isPinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"), ItemAction::pin),
         ItemAction::pin});
    entries.push_back({titled(QStringLiteral("Delete"), ItemAction::remove), ItemAction::remove, true});
    return entries;
}

} // namespace snipstack::itemText
