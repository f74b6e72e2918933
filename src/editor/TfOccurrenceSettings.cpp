#include "editor/TfOccurrenceSettings.h"
#include "ui_TfOccurrenceSettings.h"

#include "core/Error.h"
#include "editor/OccurrenceRules.h"
#include "toolkit/ErrorReport.h"

using namespace Qt::StringLiterals;

TfOccurrenceSettings::TfOccurrenceSettings(Prompter &prompter, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfOccurrenceSettings>()), m_prompter(prompter)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    connect(ui->bbOK, &QPushButton::clicked, this, [this] { guarded(m_prompter, [this] { bbOKClick(); }); });
    connect(ui->bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfOccurrenceSettings::~TfOccurrenceSettings() = default;

void TfOccurrenceSettings::load(const QString &kind, int frequency, const QString &validHours,
                                const QString &validDays)
{
    int from = 0, to = 0;
    if (!occurrence::parseValidHours(validHours, from, to))
        throw Error(tr("The valid hours \"%1\" of this task cannot be read.").arg(validHours));

    const bool usesFrequency = occurrence::usesFrequency(kind);
    ui->lFrequency->setEnabled(usesFrequency);
    ui->seFrequency->setEnabled(usesFrequency);
    ui->gbValidHours->setEnabled(occurrence::usesValidHours(kind));
    ui->gbValidDays->setEnabled(occurrence::usesValidDays(kind));
    ui->lOccurrence->setText(kind);

    ui->seFrequency->setValue(frequency);
    ui->seFrom->setValue(from);
    ui->seTo->setValue(to);
    const occurrence::WeekdayFlags days = occurrence::validDaysFlags(validDays);
    QCheckBox *boxes[] = {ui->cbMonday, ui->cbTuesday, ui->cbWednesday, ui->cbThursday,
                          ui->cbFriday, ui->cbSaturday, ui->cbSunday};
    for (int i = 0; i < 7; ++i)
        boxes[i]->setChecked(days[size_t(i)]);
}

int TfOccurrenceSettings::frequency() const
{
    return ui->seFrequency->value();
}

QString TfOccurrenceSettings::validHours() const
{
    return occurrence::validHoursText(ui->seFrom->value(), ui->seTo->value());
}

QString TfOccurrenceSettings::validDays() const
{
    return occurrence::validDaysText({ui->cbMonday->isChecked(), ui->cbTuesday->isChecked(),
                                      ui->cbWednesday->isChecked(), ui->cbThursday->isChecked(),
                                      ui->cbFriday->isChecked(), ui->cbSaturday->isChecked(),
                                      ui->cbSunday->isChecked()});
}

void TfOccurrenceSettings::bbOKClick()
{
    // A window whose first hour is after its last would allow no hour at all.
    if (ui->gbValidHours->isEnabled() && ui->seFrom->value() > ui->seTo->value()) {
        m_prompter.exclamation(tr("The valid hours cannot end before they begin: \"From\" must not be later than \"To\"."));
        ui->seFrom->setFocus();
        return;
    }
    accept();
}
