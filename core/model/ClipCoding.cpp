#include "core/model/ClipCoding.h"

#include <cmath>
#include <string>

namespace snipstack {

namespace {

using plist::Dictionary;
using plist::Value;

template <typename T>
void putOptional(Dictionary& dictionary, const char* key, const std::optional<T>& value) {
    if (value) {
        dictionary.emplace_back(key, *value);
    }
}

const Dictionary& asDictionary(const Value& value, const char* what) {
    const auto* dictionary = value.as<Dictionary>();
    if (!dictionary) {
        throw DecodingError(std::string(what) + " is not a dictionary.");
    }
    return *dictionary;
}

// Reads one field: required fields must be present, and every present field must have the
// expected type.
template <typename T> const T* field(const Dictionary& dictionary, const char* key, bool required) {
    const Value* value = plist::find(dictionary, key);
    if (!value) {
        if (required) {
            throw DecodingError(std::string("The stored record lacks \"") + key + "\".");
        }
        return nullptr;
    }
    const T* typed = value->as<T>();
    if (!typed) {
        throw DecodingError(std::string("The stored record holds a value of the wrong type under \"") + key +
                            "\".");
    }
    return typed;
}

template <typename T> const T& required(const Dictionary& dictionary, const char* key) {
    return *field<T>(dictionary, key, true);
}

template <typename T> std::optional<T> optional(const Dictionary& dictionary, const char* key) {
    const T* value = field<T>(dictionary, key, false);
    return value ? std::optional<T>(*value) : std::nullopt;
}

Uuid requiredUuid(const Dictionary& dictionary, const char* key) {
    auto id = Uuid::parse(required<std::string>(dictionary, key));
    if (!id) {
        throw DecodingError(std::string("The stored record holds a malformed UUID under \"") + key + "\".");
    }
    return *id;
}

// A NaN or infinite date would break the history's ordering, so such a record is unreadable.
Date requiredDate(const Dictionary& dictionary, const char* key) {
    const Date date = required<Date>(dictionary, key);
    if (!std::isfinite(date.secondsSinceReferenceDate)) {
        throw DecodingError(std::string("The stored record holds an invalid date under \"") + key + "\".");
    }
    return date;
}

ClipKind requiredKind(const Dictionary& dictionary) {
    auto kind = clipKindFromRawValue(required<std::string>(dictionary, "kind"));
    if (!kind) {
        throw DecodingError("The stored record holds an unknown kind.");
    }
    return *kind;
}

Value parse(std::string_view bytes) {
    try {
        return plist::decode(bytes);
    } catch (const plist::PropertyListError& error) {
        throw DecodingError(error.what());
    }
}

} // namespace

Value storedForm(const ClipItem& item) {
    Dictionary dictionary;
    dictionary.reserve(14);
    dictionary.emplace_back("id", item.id.string());
    dictionary.emplace_back("createdAt", item.createdAt);
    dictionary.emplace_back("lastUsedAt", item.lastUsedAt);
    dictionary.emplace_back("kind", std::string(rawValue(item.kind)));
    dictionary.emplace_back("text", item.text);
    putOptional(dictionary, "ocrText", item.ocrText);
    putOptional(dictionary, "sourceAppName", item.sourceAppName);
    putOptional(dictionary, "sourceBundleID", item.sourceBundleID);
    dictionary.emplace_back("isPinned", item.isPinned);
    dictionary.emplace_back("contentHash", item.contentHash);
    dictionary.emplace_back("byteCount", item.byteCount);
    putOptional(dictionary, "imageWidth", item.imageWidth);
    putOptional(dictionary, "imageHeight", item.imageHeight);
    putOptional(dictionary, "hasRichPreview", item.hasRichPreview);
    return Value(std::move(dictionary));
}

Value storedForm(const ClipPayload& payload) {
    plist::Array representations;
    representations.reserve(payload.representations.size());
    for (const auto& representation : payload.representations) {
        Dictionary entry;
        entry.emplace_back("type", representation.type);
        entry.emplace_back("data", representation.data);
        representations.emplace_back(std::move(entry));
    }
    Dictionary dictionary;
    dictionary.emplace_back("representations", std::move(representations));
    return Value(std::move(dictionary));
}

ClipItem clipItemFromStoredForm(const Value& value) {
    const Dictionary& d = asDictionary(value, "The stored entry");
    ClipItem item;
    item.id = requiredUuid(d, "id");
    item.createdAt = requiredDate(d, "createdAt");
    item.lastUsedAt = requiredDate(d, "lastUsedAt");
    item.kind = requiredKind(d);
    item.text = required<std::string>(d, "text");
    item.ocrText = optional<std::string>(d, "ocrText");
    item.sourceAppName = optional<std::string>(d, "sourceAppName");
    item.sourceBundleID = optional<std::string>(d, "sourceBundleID");
    item.isPinned = required<bool>(d, "isPinned");
    item.contentHash = required<Bytes>(d, "contentHash");
    item.byteCount = required<std::int64_t>(d, "byteCount");
    item.imageWidth = optional<std::int64_t>(d, "imageWidth");
    item.imageHeight = optional<std::int64_t>(d, "imageHeight");
    item.hasRichPreview = optional<bool>(d, "hasRichPreview");
    return item;
}

ClipPayload clipPayloadFromStoredForm(const Value& value) {
    const Dictionary& d = asDictionary(value, "The stored payload");
    ClipPayload payload;
    const auto& representations = required<plist::Array>(d, "representations");
    payload.representations.reserve(representations.size());
    for (const Value& element : representations) {
        const Dictionary& r = asDictionary(element, "A stored representation");
        payload.representations.push_back({required<std::string>(r, "type"), required<Bytes>(r, "data")});
    }
    return payload;
}

Bytes encodeClipItem(const ClipItem& item) {
    return plist::encode(storedForm(item));
}

Bytes encodeClipPayload(const ClipPayload& payload) {
    return plist::encode(storedForm(payload));
}

ClipItem decodeClipItem(std::string_view bytes) {
    return clipItemFromStoredForm(parse(bytes));
}

ClipPayload decodeClipPayload(std::string_view bytes) {
    return clipPayloadFromStoredForm(parse(bytes));
}

} // namespace snipstack
