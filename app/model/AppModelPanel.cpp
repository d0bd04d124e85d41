// What the panel controller asks of the model beyond the list and the actions.
#include "app/model/AppModel.h"

namespace snipstack {

bool AppModel::detectScreenCapture() {
    const bool captured = environment_.desktop.isScreenBeingCaptured();
    if (captured == isScreenBeingShared_) {
        return false;
    }
    setScreenBeingShared(captured);
    return true;
}

} // namespace snipstack
