#include "views/TfTaskFields.h"

#include "ui_TfTaskFields.h"

TfTaskFields::TfTaskFields(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfTaskFields>())
{
    ui->setupUi(this);
    setWindowFlags((windowFlags() | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
                   & ~Qt::WindowContextHelpButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TfTaskFields::~TfTaskFields() = default;

void TfTaskFields::setFields(const QList<std::pair<QString, bool>> &fields)
{
    ui->lvFields->clear();
    for (const auto &[name, shown] : fields) {
        auto *item = new QTreeWidgetItem(ui->lvFields, QStringList{name});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
    }
    if (ui->lvFields->topLevelItemCount() > 0)
        ui->lvFields->setCurrentItem(ui->lvFields->topLevelItem(0));
}

QList<std::pair<QString, bool>> TfTaskFields::fields() const
{
    QList<std::pair<QString, bool>> out;
    for (int i = 0; i < ui->lvFields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ui->lvFields->topLevelItem(i);
        out.append({item->text(0), item->checkState(0) == Qt::Checked});
    }
    return out;
}
