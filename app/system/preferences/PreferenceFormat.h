#pragma once

#include "app/system/preferences/PreferenceTypes.h"
#include "app/system/shortcut/HotKey.h"
#include "core/store/Cipher.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <algorithm>
#include <cmath>
#include <concepts>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace snipstack {

// How a setting of each type is kept in QSettings: enumerations by raw value, colours as #AARRGGBB,
// the shortcut as compact JSON bytes, everything else as itself. An invalid QVariant stands for no
// value, which removes the key.

template <typename T> inline constexpr bool isOptional = false;
template <typename T> inline constexpr bool isOptional<std::optional<T>> = true;

template <typename E>
concept RawValued = std::is_enum_v<E> && requires(E value) {
    { rawValue(value) } -> std::convertible_to<std::string_view>;
};

// Readers of a stored value. INI files give back every scalar as a string while values written in this
// process keep their type, so each accepts both; nothing means the value does not read as that type.
std::optional<bool> boolFrom(const QVariant& stored);
// Any number but NaN, whole or not, however large.
std::optional<double> numberFrom(const QVariant& stored);
std::optional<QByteArray> bytesFrom(const QVariant& stored);
// A map whose values are all strings.
std::optional<QVariantMap> textMapFrom(const QVariant& stored);
std::optional<QColor> colorFrom(const QVariant& stored);
// Empty unless a string; no raw value is empty.
std::string rawTextFrom(const QVariant& stored);

template <typename T> QVariant storedForm(const T& value) {
    if constexpr (isOptional<T>) {
        return value ? storedForm(*value) : QVariant();
    } else if constexpr (RawValued<T>) {
        const std::string_view raw = rawValue(value);
        return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
    } else if constexpr (std::same_as<T, QColor>) {
        return value.isValid() ? QVariant(value.name(QColor::HexArgb)) : QVariant();
    } else if constexpr (std::same_as<T, HotKey>) {
        return value.toJson();
    } else {
        return QVariant::fromValue(value);
    }
}

template <typename T> std::optional<T> fromStoredForm(const QVariant& stored) {
    if constexpr (isOptional<T>) {
        auto value = fromStoredForm<typename T::value_type>(stored);
        return value ? std::optional<T>(std::in_place, std::move(value)) : std::nullopt;
    } else if constexpr (std::same_as<T, Cipher>) {
        return cipherFromRawValue(rawTextFrom(stored));
    } else if constexpr (StoredEnum<T>) {
        return fromRawValue<T>(rawTextFrom(stored));
    } else if constexpr (std::same_as<T, int>) {
        // A fraction or a number beyond an int is still a number the user (or an older version) meant.
        constexpr double lowest = std::numeric_limits<int>::min(), highest = std::numeric_limits<int>::max();
        const auto number = numberFrom(stored);
        return number ? std::optional(int(std::clamp(std::trunc(*number), lowest, highest))) : std::nullopt;
    } else if constexpr (std::same_as<T, double>) {
        const auto number = numberFrom(stored);
        return number && std::isfinite(*number) ? number : std::nullopt;
    } else if constexpr (std::same_as<T, bool>) {
        return boolFrom(stored);
    } else if constexpr (std::same_as<T, QByteArray>) {
        return bytesFrom(stored);
    } else if constexpr (std::same_as<T, QVariantMap>) {
        return textMapFrom(stored);
    } else if constexpr (std::same_as<T, QColor>) {
        return colorFrom(stored);
    } else {
        static_assert(std::same_as<T, HotKey>, "a type of setting without a stored form");
        const auto json = bytesFrom(stored);
        return json ? HotKey::fromJson(*json) : std::nullopt;
    }
}

} // namespace snipstack
