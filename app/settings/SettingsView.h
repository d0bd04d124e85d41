#pragma once

#include <QWidget>

namespace snipstack {

class AppModel;

// The settings window's content: the General and Storage & Security tabs, each scrolling on its own.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    explicit SettingsView(AppModel& model, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {520, 600}; }
};

} // namespace snipstack
