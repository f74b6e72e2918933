#include "toolkit/Prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
QString title()
{
    return QGuiApplication::applicationDisplayName();
}
}

bool MessageBoxPrompter::confirm(const QString &text)
{
    return QMessageBox::question(m_parent, title(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
           == QMessageBox::Yes;
}

bool MessageBoxPrompter::confirmChoice(const QString &text, const QString &yesText, const QString &noText)
{
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::NoButton, m_parent);
    QPushButton *yes = box.addButton(yesText, QMessageBox::DestructiveRole);
    QPushButton *no = box.addButton(noText, QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void MessageBoxPrompter::message(const QString &text)
{
    QMessageBox::information(m_parent, title(), text);
}

void MessageBoxPrompter::exclamation(const QString &text)
{
    QMessageBox::warning(m_parent, title(), text);
}

void MessageBoxPrompter::error(const QString &text)
{
    QMessageBox::critical(m_parent, title(), text);
}
