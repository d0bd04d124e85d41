#pragma once

#include "app/model/AlertPresenter.h"

namespace snipstack {

class Workspace;

// The model's alerts as message boxes, in front of whatever the user is doing.
class MessageAlerts final : public AlertPresenter {
public:
    explicit MessageAlerts(Workspace& workspace) : workspace_(workspace) {}

    int run(const Alert& alert) override;

private:
    Workspace& workspace_;
};

} // namespace snipstack
