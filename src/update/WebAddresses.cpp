#include "update/WebAddresses.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
// A page under the home page; none without one.
QUrl underHome(const QString &path)
{
    const QUrl home = WebAddresses::homePage();
    if (home.isEmpty())
        return {};
    QUrl base = home;
    if (!base.path().endsWith(u'/'))
        base.setPath(base.path() + u'/');
    return base.resolved(QUrl(path));
}
}

QUrl WebAddresses::homePage()
{
    return QUrl(QStringLiteral(NW_HOME_URL));
}

QUrl WebAddresses::helpPage()
{
    return underHome(u"help/"_s);
}

QUrl WebAddresses::supportPage()
{
    return underHome(u"support/"_s);
}

QUrl WebAddresses::productPage()
{
    return underHome(u"about/"_s);
}

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
