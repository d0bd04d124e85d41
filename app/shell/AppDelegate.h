#pragma once

#include "app/model/AppModel.h"
#include "app/shell/AppWindows.h"
#include "app/shell/MessageAlerts.h"
#include "app/system/clipboard/SystemPasteboard.h"
#include "app/system/desktop/DesktopEntries.h"
#include "app/system/desktop/SystemDesktop.h"
#include "app/system/desktop/X11Workspace.h"
#include "app/system/keyring/KeychainKeyVault.h"

#include <QObject>
#include <memory>

namespace snipstack {

class SingleInstance;

// The program around the model: the desktop's services it runs on, its windows, and the calls a
// second copy of the program makes. Lives as long as the process.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(SingleInstance& instance);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    // Snipstack started again while it runs: settings once started, else the first-run window.
    void reopen();

    AppModel& model() { return *model_; }
    AppWindows& windows() { return windows_; }

private:
    DesktopEntries desktopEntries_;
    SystemPasteboard pasteboard_;
    X11Workspace workspace_{desktopEntries_};
    KeychainKeyVault vault_;
    SystemDesktop desktop_{desktopEntries_};
    AppWindows windows_;
    MessageAlerts alerts_;
    std::unique_ptr<RichPreviewRenderer> richPreviews_;
    std::unique_ptr<AppModel> model_;
};

} // namespace snipstack
