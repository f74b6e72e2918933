#include "update/TfAbout.h"

#include "ui_TfAbout.h"

#include "toolkit/UrlOpener.h"
#include "update/Version.h"
#include "update/WebAddresses.h"

#include <QMouseEvent>

using namespace Qt::StringLiterals;

TfAbout::TfAbout(UrlOpener &opener, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TfAbout>()), m_opener(opener)
{
    ui->setupUi(this);
    ui->iSplash->setPixmap(QPixmap(u":/icons/nudgewick-64.png"_s));
    ui->lWebSite->setText(WebAddresses::homePage().host());
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
        if (watched == ui->lMail)
            m_opener.open(WebAddresses::supportPage());
        else
            m_opener.open(WebAddresses::homePage());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
