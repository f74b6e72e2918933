#include "core/ModuleLoader.h"

#include "core/Error.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <cstring>

using namespace Qt::StringLiterals;

ModuleLoader::ModuleLoader() : m_folders(standardFolders()) {}

ModuleLoader::ModuleLoader(QStringList folders) : m_folders(std::move(folders)) {}

QStringList ModuleLoader::standardFolders()
{
    QStringList folders;
    if (const QString chosen = qEnvironmentVariable("NUDGEWICK_MODULE_DIR"); !chosen.isEmpty())
        folders << chosen;
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty()) {
        folders << programFolder;
        folders << QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(NW_MODULE_DIR_FROM_BINDIR)));
    }
    folders.removeDuplicates();
    return folders;
}

QString ModuleLoader::fileName(const QString &name)
{
    return u"libnw_"_s + name + u".so"_s;
}

void (*ModuleLoader::resolveAddress(const QString &name, const char *symbol) const)()
{
    const QString file = fileName(name);
    QString path;
    for (const QString &folder : m_folders) {
        const QString candidate = QDir(folder).filePath(file);
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty())
        throw Error(QCoreApplication::translate("ModuleLoader", "%1 was not found in %2.")
                        .arg(file, m_folders.isEmpty() ? u"-"_s : m_folders.join(u", "_s)));

    // Every symbol is bound now, so a library missing a function fails here
    // and not in the middle of its use. The library is never unloaded.
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        throw Error(QCoreApplication::translate("ModuleLoader", "%1 could not be loaded: %2")
                        .arg(QDir::toNativeSeparators(path), library.errorString()));
    using VersionFunction = const char *();
    auto *version = reinterpret_cast<VersionFunction *>(library.resolve("nw_module_version"));
    const char *own = NW_VERSION_TEXT;
    if (!version || std::strcmp(version(), own) != 0)
        throw Error(QCoreApplication::translate("ModuleLoader", "%1 belongs to another version of Nudgewick "
                                                                "(this is version %2).")
                        .arg(QDir::toNativeSeparators(path), QString::fromLatin1(own)));
    const QFunctionPointer function = library.resolve(symbol);
    if (!function)
        throw Error(QCoreApplication::translate("ModuleLoader", "%1 does not provide %2.")
                        .arg(QDir::toNativeSeparators(path), QString::fromLatin1(symbol)));
    qCDebug(lcApp) << "module" << name << "loaded from" << path;
    return function;
}
