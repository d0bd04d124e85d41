#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace snipstack {

class AppModel;

// The Storage & Security tab: memory or disk, where the data file lives, the cipher and its key, and
// clearing the history.
class StorageSettings : public QWidget {
    Q_OBJECT

public:
    explicit StorageSettings(AppModel& model, QWidget* parent = nullptr);

private:
    QWidget* makeModeSection();
    QWidget* makeLocationSection();
    QWidget* makeEncryptionSection();
    QWidget* makeClearSection();
    void showMode();
    void showLocation();
    void showLastRotation();
    void chooseFolder();

    AppModel& model_;
    QLabel* modeStatus_ = nullptr;
    QLabel* dataFile_ = nullptr;
    QPushButton* moveBack_ = nullptr;
    QLabel* lastRotation_ = nullptr;
};

} // namespace snipstack
