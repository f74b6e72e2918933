#pragma once

#include "store/DatabaseUpgrade.h"
#include "store/FileOperations.h"

#include <QDialog>

#include <memory>

class Clock;
class Prompter;
class QTimer;
class TDM;

namespace Ui {
class TfUpgrade;
}

// The "Database Upgrade" window: shown modally at start-up while a new
// database waits in the data folder, it runs the upgrade once it is on
// screen, shows the export and the import as two progress bars, tells the
// user in one message when the upgrade was refused or failed, and closes
// itself so that the start-up goes on. The user cannot close it meanwhile.
class TfUpgrade : public QDialog
{
    Q_OBJECT
public:
    TfUpgrade(TDM &dm, Prompter &prompter, const Clock &clock, const QString &dataFolder,
              QWidget *parent = nullptr);
    ~TfUpgrade() override;

    static bool isPending(const QString &dataFolder) { return DatabaseUpgrade::isPending(dataFolder); }

    // Starts the work a moment after the window is shown, so it is drawn first.
    QTimer *Timer1 = nullptr;
    void FormShow();
    void Timer1Timer();

    // The number of tasks exported, the measure of both progress bars.
    int exportedCount() const { return m_upgrade.exportedCount(); }
    const DatabaseUpgrade &upgrade() const { return m_upgrade; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void showProgress(class QProgressBar *bar, int percent);

    std::unique_ptr<Ui::TfUpgrade> ui;
    Prompter &m_prompter;
    SystemFileOperations m_files;
    DatabaseUpgrade m_upgrade;
    bool m_started = false;
    bool m_finished = false;
};
