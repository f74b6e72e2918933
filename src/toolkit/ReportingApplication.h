#pragma once

#include <QApplication>

class Prompter;

// The last line of defence for entry points nobody wrapped (a delegate, an
// event filter, a timer, a queued slot): every event the program handles
// passes through notify(), and an error that escapes its handler is reported
// through the prompter instead of ending the process.
class ReportingApplication : public QApplication
{
    Q_OBJECT
public:
    ReportingApplication(int &argc, char **argv);
    void setPrompter(Prompter *prompter) { m_prompter = prompter; }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    Prompter *m_prompter = nullptr;
};
