// The "Sync" page of the settings dialog: the CalDAV account the tasks are
// kept in step with. The address, the user and the interval go into the
// settings file; the password goes to the program's secret store, never
// into the file.

#include "settingsdialog/TfSettings.h"
#include "ui_TfSettings.h"

#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "settingsdialog/SettingsHost.h"
#include "sync/SecretStore.h"
#include "sync/SyncSettings.h"
#include "toolkit/Prompter.h"
#include "toolkit/SpinEdit.h"

#include <QDir>

using namespace Qt::StringLiterals;
using tasksync::AddressCheck;
using tasksync::SecretStore;

namespace {
const QString WarningSign = u"\u26A0 "_s;
}

void TfSettings::showSync()
{
    const ProfileFile file(m_settingsFile);
    ui->eSyncAddress->setText(readText(file, Setting::SyncAddress));
    ui->eSyncUser->setText(readText(file, Setting::SyncUser));
    ui->seSyncInterval->setValue(readInteger(file, Setting::SyncInterval));
    eSyncAddressChange();

    ui->eSyncPassword->clear();
    ui->eSyncPassword->setModified(false);
    SecretStore *secrets = m_host.syncSecrets();
    ui->eSyncPassword->setEnabled(secrets != nullptr);
    if (!secrets) {
        ui->lSyncPasswordPlace->setText(tr("This copy of Nudgewick keeps no password."));
        return;
    }
    // The secret service may take its time (or ask the user to unlock it);
    // the page stays usable meanwhile, and what the user types first wins.
    ui->lSyncPasswordPlace->setText(tr("Looking for the desktop's secret service…"));
    secrets->read(this, [this, secrets](const SecretStore::Result &stored) {
        if (!ui->eSyncPassword->isModified()) {
            ui->eSyncPassword->setText(stored.password);
            ui->eSyncPassword->setModified(false);
        }
        QString place;
        if (stored.place == SecretStore::Place::SecretService)
            place = tr("The password is kept in the desktop's secret service.");
        else
            place = WarningSign
                + tr("No secret service runs on this desktop: the password is kept unencrypted in %1, "
                     "a file only you can read.")
                      .arg(QDir::toNativeSeparators(secrets->filePath()));
        if (!stored.error.isEmpty())
            place += u"\n"_s + WarningSign + stored.error;
        ui->lSyncPasswordPlace->setText(place);
    });
}

// Says while the address is typed what it makes of sync.
void TfSettings::eSyncAddressChange()
{
    const AddressCheck check = tasksync::checkAddress(ui->eSyncAddress->text());
    const bool warn = check.verdict == AddressCheck::Verdict::Refused
        || check.verdict == AddressCheck::Verdict::Unencrypted;
    ui->lSyncAddressState->setText(warn ? WarningSign + check.message : check.message);
    ui->lSyncAddressState->setVisible(!check.message.isEmpty());
}

bool TfSettings::syncAddressAccepted()
{
    const AddressCheck check = tasksync::checkAddress(ui->eSyncAddress->text());
    if (check.verdict != AddressCheck::Verdict::Refused)
        return true;
    ui->PageControl1->setCurrentWidget(ui->tsSync);
    ui->eSyncAddress->setFocus();
    ui->eSyncAddress->selectAll();
    m_prompter.message(check.message);
    return false;
}

void TfSettings::writeSyncSettings(ProfileFile &file) const
{
    tasksync::writeAccount(file, ui->eSyncAddress->text(), ui->eSyncUser->text().trimmed(),
                           ui->seSyncInterval->value());
}

void TfSettings::applySync()
{
    tasksync::Account account;
    account.address = tasksync::checkAddress(ui->eSyncAddress->text()).url;
    account.user = ui->eSyncUser->text().trimmed();
    account.intervalMinutes = ui->seSyncInterval->value();
    std::optional<QString> password;
    if (ui->eSyncPassword->isModified())
        password = ui->eSyncPassword->text();
    m_host.setSyncAccount(account, password);
}
