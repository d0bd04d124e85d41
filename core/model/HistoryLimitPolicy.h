#pragma once

namespace snipstack {

// Turns the user's count limit into the number of unpinned entries to keep.
class HistoryLimitPolicy {
public:
    virtual ~HistoryLimitPolicy() = default;
    // Negative results count as 0.
    virtual int effectiveLimit(int maxItems) const = 0;
};

class UnrestrictedLimitPolicy final : public HistoryLimitPolicy {
public:
    int effectiveLimit(int maxItems) const override { return maxItems; }
};

} // namespace snipstack
