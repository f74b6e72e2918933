#pragma once

#include <QWidget>

class QTextBrowser;
class QUrl;
class UrlOpener;

// The help page in a window of the program's own, so help needs no web
// browser. Links within local pages stay in the window; links to the web go
// to the desktop's browser through the opener.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    HelpWindow(UrlOpener &opener, QWidget *parent = nullptr);

    // Shows page (a local file) and brings the window forward.
    void showPage(const QUrl &page);
    QTextBrowser *browser() const { return m_browser; }

private:
    void follow(const QUrl &link);

    UrlOpener &m_opener;
    QTextBrowser *m_browser;
};
