#include "app/system/preferences/PreferenceFormat.h"

#include <QLatin1String>

namespace snipstack {

std::optional<bool> boolFrom(const QVariant& stored) {
    if (stored.typeId() == QMetaType::Bool) {
        return stored.toBool();
    }
    const QString text = stored.typeId() == QMetaType::QString ? stored.toString() : QString();
    if (text == QLatin1String("true") || text == QLatin1String("false")) {
        return text == QLatin1String("true");
    }
    return std::nullopt;
}

std::optional<double> numberFrom(const QVariant& stored) {
    bool ok = false;
    double number = 0;
    switch (stored.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        number = stored.toDouble(&ok);
        break;
    case QMetaType::QString:
        number = stored.toString().trimmed().toDouble(&ok);
        break;
    default:
        break;
    }
    return ok && !std::isnan(number) ? std::optional(number) : std::nullopt;
}

std::optional<QByteArray> bytesFrom(const QVariant& stored) {
    return stored.typeId() == QMetaType::QByteArray ? std::optional(stored.toByteArray()) : std::nullopt;
}

std::optional<QVariantMap> textMapFrom(const QVariant& stored) {
    if (stored.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    QVariantMap map = stored.toMap();
    const bool allText =
        std::ranges::all_of(map, [](const QVariant& entry) { return entry.typeId() == QMetaType::QString; });
    return allText ? std::optional(map) : std::nullopt;
}

std::optional<QColor> colorFrom(const QVariant& stored) {
    const QColor color =
        stored.typeId() == QMetaType::QString ? QColor::fromString(stored.toString()) : QColor();
    return color.isValid() ? std::optional(color) : std::nullopt;
}

std::string rawTextFrom(const QVariant& stored) {
    return stored.typeId() == QMetaType::QString ? stored.toString().toStdString() : std::string();
}

} // namespace snipstack
