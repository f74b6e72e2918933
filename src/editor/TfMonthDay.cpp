#include "editor/TfMonthDay.h"
#include "ui_TfMonthDay.h"

#include "editor/OccurrenceRules.h"

namespace {
template <typename Ui>
std::array<QRadioButton *, 7> weekdayButtons(Ui &ui)
{
    return {ui.rbMonday, ui.rbTuesday, ui.rbWednesday, ui.rbThursday, ui.rbFriday, ui.rbSaturday, ui.rbSunday};
}

template <typename Ui>
std::array<QRadioButton *, 8> positionButtons(Ui &ui)
{
    return {ui.rbFirst, ui.rbSecond, ui.rbThird, ui.rbFourth, ui.rbLast, ui.rbSecondLast, ui.rbThirdLast,
            ui.rbFourthLast};
}
}

TfMonthDay::TfMonthDay(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfMonthDay>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    connect(ui->bbOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfMonthDay::~TfMonthDay() = default;

void TfMonthDay::load(int frequency, const QString &validDays)
{
    weekdayButtons(*ui)[size_t(occurrence::monthDayWeekday(validDays))]->setChecked(true);
    const auto &positions = occurrence::MonthDayPositions;
    const auto found = std::find(positions.begin(), positions.end(), frequency);
    if (found != positions.end())
        positionButtons(*ui)[size_t(found - positions.begin())]->setChecked(true);
}

int TfMonthDay::frequency() const
{
    const auto buttons = positionButtons(*ui);
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return occurrence::MonthDayPositions[i];
    return 1;
}

QString TfMonthDay::validDays() const
{
    occurrence::WeekdayFlags days{};
    const auto buttons = weekdayButtons(*ui);
    for (size_t i = 0; i < buttons.size(); ++i)
        days[i] = buttons[i]->isChecked();
    return occurrence::validDaysText(days);
}
