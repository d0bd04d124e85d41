#pragma once

#include <QIcon>
#include <string_view>

namespace snipstack {

// The icon for one of the program's symbols ("gearshape", "lock.fill", ...): the desktop icon theme's
// icon of the same meaning, else a drawing of our own, so every window looks complete on any desktop.
// An unknown symbol gives an empty icon.
QIcon symbolIcon(std::string_view symbol);

// Snipstack's own application icon.
QIcon applicationIcon();

} // namespace snipstack
