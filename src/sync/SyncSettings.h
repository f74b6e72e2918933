#pragma once

#include "sync/SyncRunner.h"

#include <QString>
#include <QUrl>

class ProfileFile;

// The sync account as the settings file keeps it ([Sync]: address, user,
// interval), and what an address typed by the user makes of sync. The
// password is never part of the settings file (see SecretStore).
namespace tasksync {

// The account of the settings file; a blank or unusable address gives an
// account that is not configured (sync off).
Account readAccount(const ProfileFile &file);
// Writes the address (as the user typed it, trimmed), the user and the
// interval into the profile in memory.
void writeAccount(ProfileFile &file, const QString &addressText, const QString &user, int intervalMinutes);

// The longest interval offered, in minutes (a day).
inline constexpr int MaxIntervalMinutes = 24 * 60;

struct AddressCheck
{
    enum class Verdict {
        Off,         // blank: sync is turned off
        Accepted,    // https, or plain http to this machine
        Unencrypted, // plain http to another machine: usable, with a warning
        Refused,     // not an address sync can use
    };
    Verdict verdict = Verdict::Off;
    QUrl url;        // the address when it is usable
    QString message; // what to tell the user: why it is refused, or the warning
};

// Checks an address typed in the settings. Only http and https addresses
// that name a server are taken; an address that carries a user name or a
// password is refused, since the settings file would then hold them in
// plain text.
AddressCheck checkAddress(const QString &text);

// Whether a host name or address stands for this machine (localhost,
// 127.0.0.0/8, ::1).
bool isLoopbackHost(const QString &host);

} // namespace tasksync
