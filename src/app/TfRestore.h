#pragma once

#include "store/BackupRotation.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfRestore;
}

// "Restore from Backup": lists the backups, newest first, with the moment
// each was made and its task count, and returns the one chosen.
class TfRestore : public QDialog
{
    Q_OBJECT
public:
    explicit TfRestore(const QList<BackupEntry> &backups, QWidget *parent = nullptr);
    ~TfRestore() override;

    // The file of the chosen backup; empty when none is selected.
    QString selectedFile() const;

private:
    void updateButtons();

    std::unique_ptr<Ui::TfRestore> m_ui;
};
