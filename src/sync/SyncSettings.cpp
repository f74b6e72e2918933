#include "sync/SyncSettings.h"

#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace tasksync {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("tasksync", text);
}
} // namespace

Account readAccount(const ProfileFile &file)
{
    Account account;
    const AddressCheck check = checkAddress(readText(file, Setting::SyncAddress));
    if (check.verdict == AddressCheck::Verdict::Accepted || check.verdict == AddressCheck::Verdict::Unencrypted)
        account.address = check.url;
    account.user = readText(file, Setting::SyncUser);
    account.intervalMinutes = std::clamp(readInteger(file, Setting::SyncInterval), 0, MaxIntervalMinutes);
    return account;
}

void writeAccount(ProfileFile &file, const QString &addressText, const QString &user, int intervalMinutes)
{
    writeText(file, Setting::SyncAddress, addressText.trimmed());
    writeText(file, Setting::SyncUser, user);
    writeInteger(file, Setting::SyncInterval, std::clamp(intervalMinutes, 0, MaxIntervalMinutes));
}

bool isLoopbackHost(const QString &host)
{
    if (host.compare(u"localhost"_s, Qt::CaseInsensitive) == 0 || host == u"::1"_s)
        return true;
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || value > 255)
            return false;
    }
    return parts.constFirst() == u"127"_s;
}

AddressCheck checkAddress(const QString &text)
{
    using Verdict = AddressCheck::Verdict;
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return {Verdict::Off, {}, tr("Without a server address the tasks are kept on this computer only.")};

    const QUrl url(typed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http"_s && scheme != u"https"_s))
        return {Verdict::Refused, {},
                tr("The server address must be a web address beginning with https:// "
                   "(for example https://example.org/dav/).")};
    if (url.host().isEmpty())
        return {Verdict::Refused, {}, tr("The server address names no server.")};
    if (!url.userInfo().isEmpty())
        return {Verdict::Refused, {},
                tr("Leave the user name and the password out of the address: "
                   "they have fields of their own, and the address is saved as plain text.")};

    if (scheme == u"http"_s && !isLoopbackHost(url.host()))
        return {Verdict::Unencrypted, url,
                tr("Plain http: the password and the tasks travel unencrypted to %1. "
                   "Use https unless every network in between is yours.")
                    .arg(url.host())};
    return {Verdict::Accepted, url, {}};
}

} // namespace tasksync
