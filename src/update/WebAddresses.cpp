#include "update/WebAddresses.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QUrl WebAddresses::updateDescriptor()
{
    return QUrl(QStringLiteral(NW_UPDATE_URL));
}

QUrl helpPageAddress(const QString &executableFolder)
{
    const QDir folder(executableFolder);
    for (const QString &candidate : {u"../share/nudgewick/help.html"_s, u"help.html"_s}) {
        const QFileInfo page(folder.filePath(candidate));
        if (page.isFile())
            return QUrl::fromLocalFile(page.canonicalFilePath());
    }
    return WebAddresses::helpPage();
}
