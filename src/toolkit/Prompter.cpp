#include "toolkit/Prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
int show(QWidget *parent, QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons,
         QMessageBox::StandardButton defaultButton, const QString &details = {})
{
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (!details.isEmpty())
        box.setDetailedText(details);
    return box.exec();
}
}

bool MessageBoxPrompter::confirm(const QString &text)
{
    return confirmWithDetails(text, {});
}

bool MessageBoxPrompter::confirmWithDetails(const QString &text, const QString &details)
{
    return show(m_parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, details)
           == QMessageBox::Yes;
}

bool MessageBoxPrompter::confirmChoice(const QString &text, const QString &yesText, const QString &noText)
{
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *yes = box.addButton(yesText, QMessageBox::DestructiveRole);
    QPushButton *no = box.addButton(noText, QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void MessageBoxPrompter::message(const QString &text)
{
    show(m_parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void MessageBoxPrompter::messageWithDetails(const QString &text, const QString &details)
{
    show(m_parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::NoButton, details);
}

void MessageBoxPrompter::exclamation(const QString &text)
{
    show(m_parent, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void MessageBoxPrompter::error(const QString &text)
{
    show(m_parent, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::NoButton);
}
