#pragma once

#include "app/model/AlertPresenter.h"

namespace snipstack {

// The model's alerts as message boxes, in front of whatever the user is doing.
class MessageAlerts final : public AlertPresenter {
public:
    int run(const Alert& alert) override;
};

} // namespace snipstack
