#pragma once

#include "core/model/MemoryBackend.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace snipstack::testing {

// A memory backend that logs every call ("saveItem", "savePayload", ...) and can be told to fail one
// kind of call.
class RecordingBackend : public HistoryBackend {
public:
    std::vector<std::string> calls;
    std::string failing;
    MemoryBackend memory;

    std::vector<ClipItem> loadItems() override { return memory.loadItems(); }
    void saveItem(const ClipItem& item) override {
        record("saveItem");
        memory.saveItem(item);
    }
    void savePayload(const ClipPayload& payload, const std::optional<Bytes>& thumbnail,
                     const Uuid& id) override {
        record("savePayload");
        memory.savePayload(payload, thumbnail, id);
    }
    void saveThumbnail(const Bytes& data, const Uuid& id) override {
        record("saveThumbnail");
        memory.saveThumbnail(data, id);
    }
    ClipPayload loadPayload(const Uuid& id) override {
        record("loadPayload");
        return memory.loadPayload(id);
    }
    std::optional<Bytes> loadThumbnail(const Uuid& id) override { return memory.loadThumbnail(id); }
    void deleteItem(const Uuid& id) noexcept override {
        calls.push_back("delete");
        memory.deleteItem(id);
    }

private:
    void record(const std::string& call) {
        calls.push_back(call);
        if (call == failing) {
            throw std::runtime_error(call + " failed");
        }
    }
};

} // namespace snipstack::testing
