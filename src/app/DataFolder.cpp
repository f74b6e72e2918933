#include "app/DataFolder.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "core/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString chooseDataFolder(const QString &executableFolder, const QProcessEnvironment &environment)
{
    QString folder = environment.value(QStringLiteral("NUDGEWICK_DIR"));
    if (folder.isEmpty() && QFileInfo::exists(QDir(executableFolder).filePath(QStringLiteral("Nudgewick.mdb"))))
        folder = executableFolder;
    // A folder the user chose keeps the mode he gave it; the per-user one
    // is the program's own.
    const bool chosen = !folder.isEmpty();
    if (!chosen)
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    bool created = false;
    if (!privatefiles::makeFolder(folder, &created))
        throw Error(QStringLiteral("The data folder \"%1\" cannot be created.").arg(folder));
    folder = QDir(folder).absolutePath();
    if (!created && privatefiles::isOpenToOthers(folder)) {
        if (chosen) {
            qCWarning(lcApp).noquote() << "the data folder" << folder
                                       << "is readable by other users; they may read the tasks and notes in it";
        } else if (!QFileInfo(folder).isSymLink() && privatefiles::narrowToOwner(folder)) {
            // Made by an earlier version with the usual mode.
            qCInfo(lcApp).noquote() << "the data folder" << folder << "is now readable by its owner only";
        }
    }
    return folder;
}
