#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TfSnoozeConfirm;
}

// Asks whether a task should be snoozed for its snooze time, with the choice
// of not being asked again. OK accepts, Cancel or closing rejects.
class TfSnoozeConfirm : public QDialog
{
    Q_OBJECT
public:
    explicit TfSnoozeConfirm(QWidget *parent = nullptr);
    ~TfSnoozeConfirm() override;

    // Shows "Snooze this task for <minutes> minutes?".
    void setMinutes(int minutes);
    QString question() const;
    // "Don't show this confirmation again?" is ticked.
    bool dontAskAgain() const;

private:
    std::unique_ptr<Ui::TfSnoozeConfirm> ui;
};
