#include "store/TfUpgrade.h"

#include "toolkit/ErrorReport.h"
#include "ui_TfUpgrade.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScreen>
#include <QTimer>

TfUpgrade::TfUpgrade(TDM &dm, Prompter &prompter, const Clock &clock, const QString &dataFolder, QWidget *parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::TfUpgrade>()),
      m_prompter(prompter),
      m_upgrade(dm, clock, dataFolder, m_files)
{
    ui->setupUi(this);
    // A title and no buttons in it: the window closes itself when done.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfUpgrade::Timer1Timer);
    connect(&m_upgrade, &DatabaseUpgrade::exportProgress, this,
            [this](int percent) { showProgress(ui->ExportProgress, percent); });
    connect(&m_upgrade, &DatabaseUpgrade::importProgress, this,
            [this](int percent) { showProgress(ui->ImportProgress, percent); });
}

TfUpgrade::~TfUpgrade() = default;

void TfUpgrade::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TfUpgrade::FormShow()
{
    if (!m_started)
        Timer1->start();
}

void TfUpgrade::Timer1Timer()
{
    Timer1->stop();
    if (m_started)
        return;
    m_started = true;
    guarded(m_prompter, [this] { m_upgrade.run(); });
    m_finished = true;
    accept();
}

// The bars move and the window is redrawn after every task, so the
// program is seen to be working through a long list.
void TfUpgrade::showProgress(QProgressBar *bar, int percent)
{
    bar->setValue(percent);
    QCoreApplication::processEvents();
}

void TfUpgrade::closeEvent(QCloseEvent *event)
{
    if (m_finished)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TfUpgrade::reject()
{
    // Esc does not stop the upgrade; the window closes itself when it is done.
    if (m_finished)
        QDialog::reject();
}
