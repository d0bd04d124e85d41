#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace snipstack {

// A modal alert with fixed texts. Without buttons it shows a single default button.
struct Alert {
    enum class Style { informational, warning };

    Style style = Style::warning;
    QString title;
    QString informativeText;
    QStringList buttons;
    // The button that destroys data, drawn so that it reads as such.
    std::optional<int> destructiveButton;

    bool operator==(const Alert&) const = default;
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    // Brings the application in front, shows the alert modally and answers the index of the button
    // chosen (0 for the first).
    virtual int run(const Alert& alert) = 0;
};

} // namespace snipstack
