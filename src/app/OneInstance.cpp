#include "app/OneInstance.h"

#include "core/Logging.h"
#include "toolkit/InstanceGuard.h"
#include "toolkit/Prompter.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <unistd.h>

using namespace Qt::StringLiterals;

QString instanceName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty() || user.contains(u'/'))
        user = QString::number(::getuid());
    return QCoreApplication::applicationName() + u"-"_s + user;
}

QString instanceFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool claimSingleInstance(InstanceGuard &guard, Prompter &prompter)
{
    if (guard.acquire())
        return true;
    qCInfo(lcApp) << "another copy is running";
    prompter.exclamation(u"Nudgewick is already open!"_s);
    if (!guard.requestActivation())
        qCWarning(lcApp) << "the running copy did not answer";
    return false;
}
