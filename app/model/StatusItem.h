#pragma once

namespace snipstack {

// What the model asks of the tray icon.
class StatusItem {
public:
    virtual ~StatusItem() = default;

    // Points the user at the icon once the first-run window has closed.
    virtual void showFirstRunTip() = 0;
};

} // namespace snipstack
