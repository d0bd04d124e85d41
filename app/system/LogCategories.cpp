#include "app/system/LogCategories.h"

namespace snipstack {

Q_LOGGING_CATEGORY(panelLog, "com.orvend.snipstack.panel", QtInfoMsg)
Q_LOGGING_CATEGORY(accessibilityLog, "com.orvend.snipstack.accessibility", QtInfoMsg)
Q_LOGGING_CATEGORY(ocrLog, "com.orvend.snipstack.ocr", QtInfoMsg)
Q_LOGGING_CATEGORY(clipboardLog, "com.orvend.snipstack.clipboard", QtInfoMsg)
Q_LOGGING_CATEGORY(desktopLog, "com.orvend.snipstack.desktop", QtInfoMsg)
Q_LOGGING_CATEGORY(storageLog, "com.orvend.snipstack.storage", QtInfoMsg)
Q_LOGGING_CATEGORY(keyringLog, "com.orvend.snipstack.keyring", QtInfoMsg)
Q_LOGGING_CATEGORY(preferencesLog, "com.orvend.snipstack.preferences", QtInfoMsg)

} // namespace snipstack
