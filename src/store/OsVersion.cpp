#include "store/OsVersion.h"

#include <QSysInfo>
#include <QVersionNumber>

QString OsVersionText()
{
    const QString kernel = QSysInfo::kernelVersion();
    const QVersionNumber version = QVersionNumber::fromString(kernel);
    if (kernel.isEmpty() || version.isNull())
        return QString();
    QString name = QSysInfo::prettyProductName();
    if (name.isEmpty())
        name = QSysInfo::kernelType();
    return name + QStringLiteral(" Version %1.%2").arg(version.majorVersion()).arg(version.minorVersion())
           + QStringLiteral("\n (Build ") + kernel + QStringLiteral(": ") + QSysInfo::kernelType()
           + QStringLiteral(")");
}
