#include "update/TfAbout.h"

#include "ui_TfAbout.h"

#include "toolkit/UrlOpener.h"
#include "update/Version.h"
#include "update/WebAddresses.h"

#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace {
// A label that opens nothing reads as plain text.
void plainText(QLabel *label)
{
    label->unsetCursor();
    label->setToolTip(QString());
    label->setStyleSheet(QString());
}
}

TfAbout::TfAbout(UrlOpener &opener, QWidget *parent)
    : TfAbout(opener, WebAddresses::homePage(), WebAddresses::supportPage(), parent)
{
}

TfAbout::TfAbout(UrlOpener &opener, const QUrl &homePage, const QUrl &supportPage, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TfAbout>()), m_opener(opener),
      m_homePage(homePage), m_supportPage(supportPage)
{
    ui->setupUi(this);
    ui->iSplash->setPixmap(QPixmap(u":/icons/nudgewick-64.png"_s));
    // The design's colours are for a light window. On a dark one the title
    // and the line under it take lighter shades, the message the window's
    // text colour and the links the palette's link colour.
    if (palette().color(QPalette::Window).lightness() < 128) {
        ui->lNudgewick->setStyleSheet(u"color: #d29bff; font-weight: bold; font-size: 14pt;"_s);
        ui->Label3->setStyleSheet(u"color: #5cc8c8; font-weight: bold;"_s);
        ui->lMessage->setStyleSheet(QString());
        for (QLabel *link : {ui->lWebSite, ui->lMail})
            link->setStyleSheet(u"color: palette(link);"_s);
    }
    ui->lWebSite->setText(m_homePage.host());
    ui->lWebSite->setVisible(!m_homePage.isEmpty());
    if (m_homePage.isEmpty())
        plainText(ui->lMessage);
    if (m_supportPage.isEmpty())
        plainText(ui->lMail);
    for (QLabel *label : {ui->lMessage, ui->lWebSite, ui->lMail})
        label->installEventFilter(this);
    connect(ui->sbClose, &QPushButton::clicked, this, &QDialog::accept);
}

TfAbout::~TfAbout() = default;

void TfAbout::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfAbout::FormShow()
{
    ui->lNudgewick->setText(u"Nudgewick "_s + OwnVersion());
}

// A click on a link label opens its page.
bool TfAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        const QUrl &page = watched == ui->lMail ? m_supportPage : m_homePage;
        if (!page.isEmpty())
            m_opener.open(page);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
