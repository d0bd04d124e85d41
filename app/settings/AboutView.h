#pragma once

#include <QWidget>

namespace snipstack {

// The about window's content: icon, name, version and build, the web site and the legal notice.
class AboutView : public QWidget {
    Q_OBJECT

public:
    explicit AboutView(QWidget* parent = nullptr);
};

} // namespace snipstack
