#include "toolkit/ReportingApplication.h"

#include "toolkit/ErrorReport.h"

ReportingApplication::ReportingApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool ReportingApplication::notify(QObject *receiver, QEvent *event)
{
    if (!m_prompter)
        return QApplication::notify(receiver, event);
    bool handled = false;
    guarded(*m_prompter, [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
