#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal delivered by the event loop, so
// the program can end its session in an orderly way instead of dying in the
// middle of a write.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
