#pragma once

#include "app/model/ShortcutRecording.h"

#include <QPushButton>
#include <memory>

class QKeyEvent;

namespace snipstack {

class AppModel;

// The button that records the global shortcut. It shows the saved shortcut; clicked, it reads
// "Press shortcut…" and takes every key press of its window until a shortcut is recorded, Escape is
// pressed or it is clicked again. Hidden or destroyed while recording, it keeps the saved shortcut.
class ShortcutRecorder : public QPushButton {
    Q_OBJECT

public:
    explicit ShortcutRecorder(AppModel& model, QWidget* parent = nullptr);
    ~ShortcutRecorder() override;

    bool isRecording() const { return recording_ != nullptr; }

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void toggleRecording();
    void keyDown(const QKeyEvent& event);
    void stopRecording();
    void showTitle();

    AppModel& model_;
    std::unique_ptr<ShortcutRecording> recording_;
};

} // namespace snipstack
