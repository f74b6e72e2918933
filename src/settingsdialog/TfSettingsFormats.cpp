// The date and time pages of the settings dialog. Their fields change the
// program's date and time formats while the user types, so every date shown
// follows at once.

#include "settingsdialog/TfSettings.h"
#include "ui_TfSettings.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "settingsdialog/SettingsHost.h"

#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace {
const QString AmPmSuffix = u" AM/PM"_s;
}

void TfSettings::showFormats()
{
    const FormatSettings &f = m_state.Formats;
    const DateTime now = m_clock.now();
    const QSignalBlocker b1(ui->eShortDateSeperator), b2(ui->eShortDateFormat), b3(ui->eLongDateSeperator),
        b4(ui->eLongDateFormat);
    ui->eShortDateSeperator->setText(QString(f.dateSeparator));
    ui->eLongDateSeperator->setText(QString(f.dateSeparator));
    ui->eShortDateFormat->setText(f.shortDateFormat);
    ui->eShortExample->setText(dateText(now, f));
    ui->eLongDateFormat->setText(f.longDateFormat);
    ui->eLongExample->setText(formatDateTime(u"dddddd"_s, now, f));
    tsTimeShow();
}

void TfSettings::tsTimeShow()
{
    const FormatSettings &f = m_state.Formats;
    const QSignalBlocker blocker(ui->eTimeFormat);
    if (f.longTimeFormat.contains(AmPmSuffix))
        ui->rbTimeAMPM->setChecked(true);
    else
        ui->rbTime24Hour->setChecked(true);
    ui->eTimeFormat->setText(f.longTimeFormat);
    ui->eTimeExample->setText(formatDateTime(u"t"_s, m_clock.now(), f));
}

void TfSettings::formatsChanged()
{
    m_host.applyDateDisplayFormat();
}

void TfSettings::eShortDateFormatChange()
{
    const QString separator = ui->eShortDateSeperator->text();
    if (separator.trimmed().isEmpty())
        return;
    FormatSettings &f = m_state.Formats;
    f.dateSeparator = separator.front();
    f.shortDateFormat = ui->eShortDateFormat->text().trimmed();
    ui->eShortExample->setText(dateText(m_clock.now(), f));
    formatsChanged();
}

void TfSettings::eLongDateFormatChange()
{
    const QString separator = ui->eLongDateSeperator->text();
    if (separator.trimmed().isEmpty())
        return;
    FormatSettings &f = m_state.Formats;
    f.dateSeparator = separator.front();
    f.longDateFormat = ui->eLongDateFormat->text().trimmed();
    ui->eLongExample->setText(formatDateTime(u"dddddd"_s, m_clock.now(), f));
    formatsChanged();
}

// One field sets both time patterns.
void TfSettings::eTimeFormatChange()
{
    const QString pattern = ui->eTimeFormat->text().trimmed();
    if (pattern.isEmpty())
        return;
    FormatSettings &f = m_state.Formats;
    f.shortTimeFormat = pattern;
    f.longTimeFormat = pattern;
    ui->eTimeExample->setText(formatDateTime(u"t"_s, m_clock.now(), f));
    formatsChanged();
}

void TfSettings::rbTimeAMPMClick()
{
    QString pattern = ui->eTimeFormat->text() + AmPmSuffix;
    pattern.replace(u"HH"_s, u"hh"_s);
    ui->eTimeFormat->setText(pattern);
}

void TfSettings::rbTime24HourClick()
{
    QString pattern = ui->eTimeFormat->text();
    pattern.remove(AmPmSuffix);
    pattern.replace(u"hh"_s, u"HH"_s);
    ui->eTimeFormat->setText(pattern);
}
