#include "alarm/TfSnoozeConfirm.h"

#include "ui_TfSnoozeConfirm.h"

#include <QStyle>

TfSnoozeConfirm::TfSnoozeConfirm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TfSnoozeConfirm>())
{
    ui->setupUi(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(size, size));
}

TfSnoozeConfirm::~TfSnoozeConfirm() = default;

void TfSnoozeConfirm::setMinutes(int minutes)
{
    ui->lSnoozeTime->setText(QStringLiteral("Snooze this task for ") + QString::number(minutes)
                             + QStringLiteral(" minutes?"));
}

QString TfSnoozeConfirm::question() const
{
    return ui->lSnoozeTime->text();
}

bool TfSnoozeConfirm::dontAskAgain() const
{
    return ui->cbConfirm->isChecked();
}
