#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace snipstack {

class AppModel;
class AppWindows;

// What goes into one of our windows: its view, its title, and its size (invalid: the view's own).
struct WindowContent {
    QWidget* widget = nullptr;
    QString title;
    QSize size;
};

WindowContent makeWindowContent(const QString& identifier, AppModel& model, AppWindows& windows);

} // namespace snipstack
