#include "app/DataFolder.h"

#include "core/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString chooseDataFolder(const QString &executableFolder, const QProcessEnvironment &environment)
{
    QString folder = environment.value(QStringLiteral("NUDGEWICK_DIR"));
    if (folder.isEmpty() && QFileInfo::exists(QDir(executableFolder).filePath(QStringLiteral("Nudgewick.mdb"))))
        folder = executableFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("The data folder \"%1\" cannot be created.").arg(folder));
    return QDir(folder).absolutePath();
}
