#pragma once

#include "app/system/desktop/Workspace.h"

#include <optional>
#include <vector>

namespace snipstack::testing {

// A desktop with one application in front, which records what it was asked to activate.
class FakeWorkspace : public Workspace {
public:
    std::optional<RunningApplication> front =
        RunningApplication{"Editor", "org.example.Editor", std::nullopt, 7, 1, "gedit"};
    std::vector<RunningApplication> activated;

    std::optional<RunningApplication> frontmostApplication() override { return front; }
    bool activate(const RunningApplication& application) override {
        activated.push_back(application);
        return true;
    }
};

} // namespace snipstack::testing
