#pragma once

#include <QLoggingCategory>

namespace snipstack {

// The program's log, by subsystem; debug messages are off unless a logging rule enables them.
Q_DECLARE_LOGGING_CATEGORY(panelLog)
Q_DECLARE_LOGGING_CATEGORY(accessibilityLog)
Q_DECLARE_LOGGING_CATEGORY(ocrLog)
// Beyond the three above: why a copy was not taken in, which users otherwise cannot tell.
Q_DECLARE_LOGGING_CATEGORY(clipboardLog)
// And why a desktop service, the store or the keyring failed where the program carried on without it.
Q_DECLARE_LOGGING_CATEGORY(desktopLog)
Q_DECLARE_LOGGING_CATEGORY(storageLog)
Q_DECLARE_LOGGING_CATEGORY(keyringLog)
// And which stored setting was unreadable or out of range, and what was used instead.
Q_DECLARE_LOGGING_CATEGORY(preferencesLog)

} // namespace snipstack
