#pragma once

#include <QDialog>

#include <memory>

class UrlOpener;
namespace Ui {
class TfAbout;
}

// The About box: the program's name and version, and labels that open the
// home and support pages. Created for one showing.
class TfAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfAbout(UrlOpener &opener, QWidget *parent = nullptr);
    ~TfAbout() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();

    std::unique_ptr<Ui::TfAbout> ui;
    UrlOpener &m_opener;
};
