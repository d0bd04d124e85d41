#pragma once

#include "app/model/PanelControl.h"
#include "app/model/StatusItem.h"
#include "app/system/preferences/PreferenceTypes.h"
#include "core/model/ClipItem.h"
#include "core/model/ClipPayload.h"
#include "core/values/Bytes.h"

#include <memory>

namespace snipstack {

class AppModel;

// The windows the model opens and the controllers it owns, made by the user interface.
class WindowRegistry {
public:
    virtual ~WindowRegistry() = default;

    virtual std::unique_ptr<StatusItem> makeStatusItem(AppModel& model) = 0;
    virtual std::unique_ptr<PanelControl> makePanel(AppModel& model) = 0;
    // Colours every window, the open ones and those made later.
    virtual void applyTheme(ThemeChoice theme) = 0;

    // Shows the first-run window, or brings it forward when it is open.
    virtual void showFirstRun() = 0;
    virtual void closeFirstRun() = 0;
    virtual bool isFirstRunVisible() const = 0;

    // Each editor calls the model's save entry points and editorClosed when its window closes.
    virtual void openTextEditor(const ClipItem& item, const ClipPayload& payload) = 0;
    virtual void openImageEditor(const ClipItem& item, const Bytes& image) = 0;
};

} // namespace snipstack
