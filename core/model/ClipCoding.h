#pragma once

#include "core/model/ClipItem.h"
#include "core/model/ClipPayload.h"
#include "core/values/PropertyList.h"

#include <stdexcept>
#include <string_view>

namespace snipstack {

// A stored record that does not hold a readable entry or payload: not a property list, a required
// key missing, a value of the wrong type, an unknown kind or a malformed UUID. No defaults fill gaps.
class DecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Keyed stored forms: each field under its own name; optional fields only when present.
plist::Value storedForm(const ClipItem& item);
plist::Value storedForm(const ClipPayload& payload);
ClipItem clipItemFromStoredForm(const plist::Value& value);
ClipPayload clipPayloadFromStoredForm(const plist::Value& value);

// The same, as binary property lists: the plaintext of the store's meta and blob records.
Bytes encodeClipItem(const ClipItem& item);
Bytes encodeClipPayload(const ClipPayload& payload);
ClipItem decodeClipItem(std::string_view bytes);
ClipPayload decodeClipPayload(std::string_view bytes);

} // namespace snipstack
