#pragma once

#include "app/system/preferences/Preferences.h"
#include "core/model/ClipItem.h"

#include <QLocale>
#include <QString>
#include <vector>

// The words a row and its menu show for an entry.
namespace snipstack::itemText {

inline constexpr int textLimit = 2800;
inline constexpr int shownLimit = 700;

// A text entry's text as its row shows it: the first 2,800 characters trimmed at both ends, cut to
// 700 characters and "…" when longer.
QString rowText(const ClipItem& item);

// A file entry: the folder of the first path, and its name alone or "name and N more".
struct FileLines {
    QString folder;
    QString names;
};
FileLines fileLines(const ClipItem& item);

// Application name · date and time · size, the parts present joined by " · ".
QString detailsLine(const ClipItem& item, const QLocale& locale);

// "%lld items" when the whole history shows, else "%lld of %lld".
QString countText(std::size_t visible, std::size_t total);

// "Ctrl+n" for the first ten rows, empty for the others.
QString digitHint(int row);

// One context-menu entry; its title ends with the click that performs the same action, if any.
struct MenuEntry {
    QString title;
    ItemAction action;
    bool destructive = false;
};
std::vector<MenuEntry> contextMenu(const ClipItem& item, const Preferences& preferences);

} // namespace snipstack::itemText
