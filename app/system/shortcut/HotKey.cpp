#include "app/system/shortcut/HotKey.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <array>
#include <limits>
#include <utility>

namespace snipstack {

namespace {

constexpr std::array<std::pair<std::uint64_t, const char*>, 4> modifierNames{{
    {HotKey::control, "Ctrl"},
    {HotKey::option, "Alt"},
    {HotKey::shift, "Shift"},
    {HotKey::command, "Super"},
}};

// JSON numbers arrive as doubles or integers; only whole, non-negative values up to `max` count.
std::optional<std::uint64_t> unsignedField(const QJsonObject& object, const char* name, std::uint64_t max) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const qint64 number = value.toInteger(-1);
    if (number < 0 || std::uint64_t(number) > max) {
        return std::nullopt;
    }
    return std::uint64_t(number);
}

} // namespace

std::vector<std::string> HotKey::displayParts() const {
    std::vector<std::string> parts;
    for (const auto& [bit, name] : modifierNames) {
        if (modifiers & bit) {
            parts.emplace_back(name);
        }
    }
    parts.push_back(key);
    return parts;
}

std::string HotKey::display() const {
    std::string text;
    for (const std::string& part : displayParts()) {
        text += text.empty() ? part : "+" + part;
    }
    return text;
}

QByteArray HotKey::toJson() const {
    const QJsonObject object{
        {"keyCode", qint64(keyCode)}, {"modifiers", qint64(modifiers)}, {"key", QString::fromStdString(key)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<HotKey> HotKey::fromJson(const QByteArray& json) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const auto keyCode = unsignedField(object, "keyCode", std::numeric_limits<std::uint32_t>::max());
    const auto modifiers = unsignedField(object, "modifiers", std::numeric_limits<std::uint64_t>::max());
    const QJsonValue key = object.value(QLatin1String("key"));
    if (!keyCode || !modifiers || !key.isString()) {
        return std::nullopt;
    }
    return HotKey{std::uint32_t(*keyCode), *modifiers, key.toString().toStdString()};
}

std::string HotKey::keyName(std::uint32_t keyCode, std::string_view characters) {
    switch (keyCode) {
    case 36:
        return "↩";
    case 48:
        return "⇥";
    case 49:
        return "Space";
    case 51:
        return "⌫";
    case 123:
        return "←";
    case 124:
        return "→";
    case 125:
        return "↓";
    case 126:
        return "↑";
    }
    if (characters.empty()) {
        return "Key " + std::to_string(keyCode);
    }
    return QString::fromUtf8(characters.data(), qsizetype(characters.size())).toUpper().toStdString();
}

} // namespace snipstack
