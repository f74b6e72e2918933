#pragma once

#include "update/PageDownload.h"

#include <QObject>
#include <QUrl>

#include <memory>

class Prompter;

// Asks the web site which version is published and compares it with the
// program's own. The download runs in the background with a time-out and a
// size limit, so the user interface never waits for it. A newer version is
// announced through newerVersionFound; a check the user asked for also
// reports, through the prompter, that there is nothing new or that the
// check failed. A check started by the program (silent) reports nothing else.
// The download goes through the network module, loaded at the first check.
class UpdateChecker : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 15000;
    static constexpr qint64 SizeLimit = 1024 * 1024;

    // The downloaded description is kept as padfile.xml in `dataFolder`
    // while it is read.
    UpdateChecker(Prompter &prompter, QString dataFolder, QObject *parent = nullptr);
    ~UpdateChecker() override;

    void setUrl(const QUrl &url) { m_url = url; }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    void setOwnVersion(const QString &version) { m_ownVersion = version; }
    QString padFilePath() const;

    // Starts a check; while one runs, a check the user asks for makes the
    // running one report as his, and a silent one is dropped.
    void UpdateCheck(bool silent);
    bool isRunning() const { return m_running; }

    // The published version in a product description file: the text of its
    // last line holding a Program_Version element (empty when none does).
    static QString readProgramVersion(const QString &padFile);

signals:
    void newerVersionFound(const QString &published, bool silent);
    // The check has ended, whatever its outcome.
    void finished();

private:
    void FetchUpdateInfo(const QUrl &url);
    void replyFinished(const PageDownload::Result &result);
    void finish(const QString &published, const QString &failure);

    Prompter &m_prompter;
    QString m_dataFolder;
    QUrl m_url;
    QString m_ownVersion;
    int m_timeoutMs = DefaultTimeoutMs;
    std::unique_ptr<PageDownload> m_download;
    bool m_running = false;
    bool m_silent = true;
};
