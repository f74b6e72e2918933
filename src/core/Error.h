#pragma once

#include <QString>
#include <exception>

// An error that carries a user-readable text. Operations that fail throw it
// (or a subclass); the entry point that started the work catches it and
// reports the text (see ErrorReport).
class Error : public std::exception
{
public:
    explicit Error(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};
