#pragma once

#include <QLabel>

namespace snipstack {

// One key of a shortcut drawn as a key cap, in the palette's colours so that it follows the theme.
class KeyCap : public QLabel {
    Q_OBJECT

public:
    explicit KeyCap(const QString& key, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace snipstack
