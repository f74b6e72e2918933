#pragma once

#include <QDialog>

#include <memory>
#include <utility>

namespace Ui {
class TfTaskFields;
}

// "Task Fields": a check-box list of the grid's columns in their current
// order; OK shows exactly the checked ones, Cancel changes nothing.
class TfTaskFields : public QDialog
{
    Q_OBJECT
public:
    explicit TfTaskFields(QWidget *parent = nullptr);
    ~TfTaskFields() override;

    // Field names with whether each is shown, in the grid's column order.
    void setFields(const QList<std::pair<QString, bool>> &fields);
    QList<std::pair<QString, bool>> fields() const;

private:
    std::unique_ptr<Ui::TfTaskFields> ui;
};
