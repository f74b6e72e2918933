#pragma once

#include <QString>

class QWidget;

// Every question and message box of the program goes through a Prompter, so
// tests can answer and record them.
class Prompter
{
public:
    virtual ~Prompter() = default;
    // A confirmation with the buttons Yes and No; true only for Yes.
    virtual bool confirm(const QString &text) = 0;
    // The same with a longer report behind a "Show Details" button; the
    // plain confirmation where there is nothing to show there.
    virtual bool confirmWithDetails(const QString &text, const QString &details)
    {
        Q_UNUSED(details);
        return confirm(text);
    }
    // A confirmation whose buttons say what they do ("Discard", "Keep
    // editing"); the second is the default. true only for the first.
    // Without buttons of its own a prompter asks as confirm does.
    virtual bool confirmChoice(const QString &text, const QString &yesText, const QString &noText)
    {
        Q_UNUSED(yesText);
        Q_UNUSED(noText);
        return confirm(text);
    }
    // A plain message with an OK button.
    virtual void message(const QString &text) = 0;
    // The same with a longer report behind a "Show Details" button.
    virtual void messageWithDetails(const QString &text, const QString &details)
    {
        Q_UNUSED(details);
        message(text);
    }
    // A message with the exclamation icon.
    virtual void exclamation(const QString &text) = 0;
    // The report of an error that ended a handler.
    virtual void error(const QString &text) = 0;
};

// Real message boxes, titled with the application's display name. Their
// text is always plain: it may hold task titles or file names, which must
// never be read as markup (a message box would open a link in it).
class MessageBoxPrompter final : public Prompter
{
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    bool confirm(const QString &text) override;
    bool confirmWithDetails(const QString &text, const QString &details) override;
    bool confirmChoice(const QString &text, const QString &yesText, const QString &noText) override;
    void message(const QString &text) override;
    void messageWithDetails(const QString &text, const QString &details) override;
    void exclamation(const QString &text) override;
    void error(const QString &text) override;

private:
    QWidget *m_parent;
};
