#include "update/HelpWindow.h"

#include "toolkit/UrlOpener.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(UrlOpener &opener, QWidget *parent)
    : QWidget(parent, Qt::Window), m_opener(opener), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(m_browser->documentTitle().isEmpty() ? tr("Help") : m_browser->documentTitle()); });
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.averageCharWidth() * 90, metrics.lineSpacing() * 40);
}

void HelpWindow::showPage(const QUrl &page)
{
    m_browser->setSource(page);
    if (!isVisible()) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            resize(size().boundedTo(screen->availableGeometry().size()));
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::follow(const QUrl &link)
{
    const QUrl target = m_browser->source().resolved(link);
    if (target.isLocalFile() || target.scheme().isEmpty())
        m_browser->setSource(target);
    else
        m_opener.open(target);
}
