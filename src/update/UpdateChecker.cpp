#include "update/UpdateChecker.h"

#include "core/CheckedSaveFile.h"
#include "core/Error.h"
#include "core/ModuleLoader.h"
#include "toolkit/ErrorReport.h"
#include "update/PageDownload.h"
#include "update/Version.h"
#include "update/WebAddresses.h"

#include <QDir>
#include <QFile>
#include <QCursor>
#include <QGuiApplication>
#include <QLoggingCategory>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcUpdate, "nudgewick.update", QtWarningMsg)

namespace {
constexpr QStringView OpenTag = u"<Program_Version>";
// A version number is short; a longer text is no version.
constexpr qsizetype MaxVersionLength = 64;
}

UpdateChecker::UpdateChecker(Prompter &prompter, QString dataFolder, QObject *parent)
    : QObject(parent), m_prompter(prompter), m_dataFolder(std::move(dataFolder)),
      m_url(WebAddresses::updateDescriptor()), m_ownVersion(OwnVersion())
{
}

UpdateChecker::~UpdateChecker()
{
    // Ending with the program: a running check ends without a report.
    m_download.reset();
    if (m_running && !m_silent)
        QGuiApplication::restoreOverrideCursor();
}

QString UpdateChecker::padFilePath() const
{
    return QDir(m_dataFolder).filePath(u"padfile.xml"_s);
}

void UpdateChecker::UpdateCheck(bool silent)
{
    if (isRunning()) {
        if (!silent && m_silent) {
            m_silent = false;
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        }
        return;
    }
    m_silent = silent;
    if (!silent)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    FetchUpdateInfo(m_url);
}

void UpdateChecker::FetchUpdateInfo(const QUrl &url)
{
    m_running = true;
    if (!m_download) {
        try {
            auto *create = ModuleLoader().resolve<PageDownload *()>(u"network"_s, "nw_create_page_download");
            m_download.reset(create());
        } catch (const Error &e) {
            return finish({}, tr("Checking for updates is not available: %1").arg(e.text()));
        }
    }
    qCDebug(lcUpdate) << "fetching" << url;
    m_download->start(url, m_timeoutMs, SizeLimit, [this](const PageDownload::Result &result) {
        guarded(m_prompter, [&] { replyFinished(result); });
    });
}

void UpdateChecker::replyFinished(const PageDownload::Result &result)
{
    qCDebug(lcUpdate) << "reply" << int(result.failure) << result.detail;
    const QString unreadable =
        tr("Nudgewick could not read the published version from %1.").arg(result.url.toDisplayString());
    switch (result.failure) {
    case PageDownload::Failure::None:
        break;
    case PageDownload::Failure::NotConnected:
        return finish({}, u"You are not connected to the internet"_s);
    case PageDownload::Failure::Unreadable:
    case PageDownload::Failure::TooLarge:
        return finish({}, unreadable);
    }

    // The description is kept in the data folder only while it is read; a
    // refused write (a full disk) leaves no cut-off file to be read.
    if (const QString failed = saveFileContents(padFilePath(), result.body); !failed.isEmpty())
        return finish({}, tr("Nudgewick could not write %1: %2").arg(padFilePath(), failed));
    const QString published = readProgramVersion(padFilePath());
    finish(published, published.isEmpty() ? unreadable : QString());
}

void UpdateChecker::finish(const QString &published, const QString &failure)
{
    const bool silent = m_silent;
    m_running = false;
    m_silent = true;
    if (!silent)
        QGuiApplication::restoreOverrideCursor();

    // The report comes last: a message box runs a nested event loop, and
    // the check is over before it opens.
    struct Finished {
        UpdateChecker *checker;
        ~Finished() { emit checker->finished(); }
    } finished{this};
    if (!failure.isEmpty()) {
        qCInfo(lcUpdate) << "check failed:" << failure;
        if (!silent)
            m_prompter.message(failure);
    } else if (compareVersions(m_ownVersion, published) < 0) {
        emit newerVersionFound(published, silent);
    } else if (!silent) {
        m_prompter.message(u"Nudgewick v"_s + m_ownVersion + u" is the latest version!"_s);
    }
}

QString UpdateChecker::readProgramVersion(const QString &padFile)
{
    QString version;
    QFile file(padFile);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const qsizetype tag = line.indexOf(OpenTag);
            if (tag < 0)
                continue;
            // The text from the end of the tag to the first closing tag after it.
            const qsizetype start = tag + OpenTag.size();
            const qsizetype end = line.indexOf(u"</"_s, start);
            version = end < 0 ? QString() : line.mid(start, end - start).trimmed();
        }
        if (version.size() > MaxVersionLength)
            version.clear();
        file.close();
    }
    QFile::remove(padFile);
    return version;
}
