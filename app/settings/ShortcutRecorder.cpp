#include "app/settings/ShortcutRecorder.h"

#include "app/model/AppModel.h"
#include "app/system/shortcut/KeyCodes.h"

#include <QKeyEvent>

namespace snipstack {
namespace {

// Pressed on their own, these begin a combination rather than end one.
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// Qt names the Super key Meta on X11.
std::uint64_t hotKeyModifiers(Qt::KeyboardModifiers modifiers) {
    std::uint64_t bits = 0;
    if (modifiers & Qt::ShiftModifier) {
        bits |= HotKey::shift;
    }
    if (modifiers & Qt::ControlModifier) {
        bits |= HotKey::control;
    }
    if (modifiers & Qt::AltModifier) {
        bits |= HotKey::option;
    }
    if (modifiers & Qt::MetaModifier) {
        bits |= HotKey::command;
    }
    return bits;
}

// What the key at that position types without modifiers on a US keyboard, for the key's name; keys
// that type nothing printable are named by their code.
std::string unmodifiedCharacters(std::uint32_t keyCode) {
    const std::optional<std::uint32_t> keysym = keycodes::keysymForKeyCode(keyCode);
    if (!keysym || *keysym <= 0x20 || *keysym >= 0x7f) {
        return {};
    }
    return std::string(1, char(*keysym));
}

} // namespace

ShortcutRecorder::ShortcutRecorder(AppModel& model, QWidget* parent) : QPushButton(parent), model_(model) {
    setObjectName(QStringLiteral("shortcutRecorder"));
    setMinimumWidth(140);
    showTitle();
    connect(&model_.preferences(), &Preferences::hotKeyChanged, this, &ShortcutRecorder::showTitle);
    connect(this, &QPushButton::clicked, this, &ShortcutRecorder::toggleRecording);
}

ShortcutRecorder::~ShortcutRecorder() {
    stopRecording();
}

void ShortcutRecorder::toggleRecording() {
    if (recording_) {
        stopRecording();
        return;
    }
    recording_ = model_.recordShortcut();
    grabKeyboard();
    showTitle();
}

void ShortcutRecorder::stopRecording() {
    if (!recording_) {
        return;
    }
    releaseKeyboard();
    // Ending the recording registers the saved shortcut again.
    recording_.reset();
    showTitle();
}

bool ShortcutRecorder::event(QEvent* event) {
    if (recording_) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // The window's own shortcuts must not fire while a combination is being recorded.
            event->accept();
            return true;
        case QEvent::KeyPress:
            keyDown(static_cast<const QKeyEvent&>(*event));
            return true;
        case QEvent::KeyRelease:
            return true;
        default:
            break;
        }
    }
    return QPushButton::event(event);
}

void ShortcutRecorder::keyDown(const QKeyEvent& event) {
    if (isModifierKey(event.key())) {
        return;
    }
    // The keysym of the key as pressed; the table turns it into the code of its US key position.
    const std::optional<std::uint32_t> keyCode = keycodes::keyCodeForKeysym(event.nativeVirtualKey());
    if (!keyCode) {
        model_.beep();
        return;
    }
    // A refused shortcut's alert needs the keyboard.
    releaseKeyboard();
    const ShortcutRecording::KeyResult result =
        recording_->keyDown(*keyCode, hotKeyModifiers(event.modifiers()), unmodifiedCharacters(*keyCode));
    if (result.outcome == ShortcutRecording::KeyOutcome::refused) {
        model_.beep();
        grabKeyboard();
        return;
    }
    recording_.reset();
    showTitle();
}

void ShortcutRecorder::hideEvent(QHideEvent* event) {
    stopRecording();
    QPushButton::hideEvent(event);
}

void ShortcutRecorder::showTitle() {
    setText(recording_ ? QStringLiteral("Press shortcut…")
                       : QString::fromStdString(model_.preferences().hotKey().display()));
}

} // namespace snipstack
