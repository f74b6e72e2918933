#pragma once

#include <QDialog>

#include <memory>

namespace Ui { class TfMonthDay; }

// The weekday and its position in the month of a MonthDay task.
class TfMonthDay : public QDialog
{
    Q_OBJECT
public:
    explicit TfMonthDay(QWidget *parent = nullptr);
    ~TfMonthDay() override;

    // Selects the weekday the mask names and the position the frequency
    // names; other positions leave "First" selected.
    void load(int frequency, const QString &validDays);

    // The position (1 to 4, -1 to -4) and the one-weekday mask chosen.
    int frequency() const;
    QString validDays() const;

private:
    std::unique_ptr<Ui::TfMonthDay> ui;
};
