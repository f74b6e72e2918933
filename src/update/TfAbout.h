#pragma once

#include <QDialog>
#include <QUrl>

#include <memory>

class UrlOpener;
namespace Ui {
class TfAbout;
}

// The About box: the program's name and version, and labels that open the
// home and support pages. Without a home page the web site's label is not
// shown and the message is plain text; without a support page the author's
// label is plain text. Created for one showing.
class TfAbout : public QDialog
{
    Q_OBJECT
public:
    // The pages are those the build names (WebAddresses) unless given.
    explicit TfAbout(UrlOpener &opener, QWidget *parent = nullptr);
    TfAbout(UrlOpener &opener, const QUrl &homePage, const QUrl &supportPage, QWidget *parent = nullptr);
    ~TfAbout() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();

    std::unique_ptr<Ui::TfAbout> ui;
    UrlOpener &m_opener;
    QUrl m_homePage;
    QUrl m_supportPage;
};
