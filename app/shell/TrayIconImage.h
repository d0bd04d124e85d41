#pragma once

#include <QIcon>

namespace snipstack {

// The tray icon: a clipboard drawn in code at every size a tray asks for, light with a dark outline
// so that it reads on light and dark panels alike.
QIcon trayIconImage();

} // namespace snipstack
