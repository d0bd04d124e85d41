#include "app/system/desktop/ApplicationFolders.h"

#include <QDir>
#include <QString>
#include <QtGlobal>

namespace snipstack {
namespace fs = std::filesystem;

std::vector<fs::path> applicationFolders() {
    std::vector<fs::path> folders;
    fs::path home = qEnvironmentVariable("XDG_DATA_HOME").toStdString();
    if (!home.is_absolute()) {
        home = fs::path(QDir::homePath().toStdString()) / ".local" / "share";
    }
    folders.push_back(home / "applications");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) {
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    }
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        const fs::path path = dir.toStdString();
        // Relative entries are invalid and would depend on the working folder.
        if (path.is_absolute()) {
            folders.push_back(path / "applications");
        }
    }
    return folders;
}

} // namespace snipstack
