#include "toolkit/Prompter.h"

#include <QApplication>
#include <QMessageBox>

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
