#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace snipstack {

class AppModel;
class StepMarker;

// The first-run window's content: the two things Snipstack needs before it starts (the paste
// permission and where history is kept), two options, and the shortcut that starts it. The answers
// go to the model as they change; pressing the shortcut finishes the setup.
class OnboardingView : public QWidget {
    Q_OBJECT

public:
    // `onClose` closes the first-run window.
    OnboardingView(AppModel& model, std::function<void()> onClose, QWidget* parent = nullptr);

    // Wide enough for the steps' texts to read in a few lines; as tall as they then need.
    QSize sizeHint() const override;

signals:
    // The paste permission was just granted, most likely in the desktop's settings: the window comes
    // back in front for the next step.
    void bringForwardRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeAccessStep();
    QWidget* makeStorageStep();
    QWidget* makeOptions();
    QWidget* makeShortcutStep();
    QWidget* makeButtons();
    void showTitle();
    void showShortcut();
    void showAccess();
    void showStorageChoice();
    void checkAccess();

    AppModel& model_;
    std::function<void()> onClose_;
    QTimer accessCheck_;
    QLabel* title_ = nullptr;
    QLabel* introduction_ = nullptr;
    StepMarker* accessMarker_ = nullptr;
    QPushButton* grant_ = nullptr;
    StepMarker* storageMarker_ = nullptr;
    QRadioButton* persistent_ = nullptr;
    QRadioButton* memoryOnly_ = nullptr;
    QHBoxLayout* keyCaps_ = nullptr;
    QPushButton* continue_ = nullptr;
};

} // namespace snipstack
