#include "app/TfRestore.h"

#include "ui_TfRestore.h"

#include <QLocale>
#include <QPushButton>

TfRestore::TfRestore(const QList<BackupEntry> &backups, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfRestore>())
{
    m_ui->setupUi(this);
    QPushButton *restore = m_ui->bbButtons->button(QDialogButtonBox::Ok);
    restore->setText(tr("&Restore"));
    restore->setObjectName(QStringLiteral("bRestore"));

    const QLocale locale;
    for (const BackupEntry &b : backups) {
        auto *item = new QTreeWidgetItem(m_ui->lvBackups);
        item->setText(0, locale.toString(b.made.toQDateTime(), QLocale::LongFormat));
        item->setText(1, b.taskCount < 0 ? tr("unreadable") : locale.toString(b.taskCount));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, b.file);
        // A backup that cannot be read cannot be restored.
        if (b.taskCount < 0)
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    m_ui->lvBackups->resizeColumnToContents(0);
    if (m_ui->lvBackups->topLevelItemCount() > 0 && backups.first().taskCount >= 0)
        m_ui->lvBackups->setCurrentItem(m_ui->lvBackups->topLevelItem(0));
    else if (backups.isEmpty())
        m_ui->lExplanation->setText(tr("There are no backups yet."));

    connect(m_ui->bbButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->bbButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ui->lvBackups, &QTreeWidget::itemSelectionChanged, this, &TfRestore::updateButtons);
    connect(m_ui->lvBackups, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    updateButtons();
}

TfRestore::~TfRestore() = default;

QString TfRestore::selectedFile() const
{
    const QTreeWidgetItem *item = m_ui->lvBackups->currentItem();
    return item && item->isSelected() && (item->flags() & Qt::ItemIsEnabled) ? item->data(0, Qt::UserRole).toString()
                                                                              : QString();
}

void TfRestore::updateButtons()
{
    m_ui->bbButtons->button(QDialogButtonBox::Ok)->setEnabled(!selectedFile().isEmpty());
}
