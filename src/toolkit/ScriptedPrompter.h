#pragma once

#include "toolkit/Prompter.h"

#include <QList>
#include <QStringList>

// A Prompter for tests: answers confirmations from a queue (No when the queue
// is empty) and records every text it was shown, prefixed by its kind.
class ScriptedPrompter final : public Prompter
{
public:
    QList<bool> answers;
    QStringList shown; // "confirm: ...", "message: ...", "exclamation: ...", "error: ..."

    bool confirm(const QString &text) override
    {
        shown << QStringLiteral("confirm: ") + text;
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void message(const QString &text) override { shown << QStringLiteral("message: ") + text; }
    void exclamation(const QString &text) override { shown << QStringLiteral("exclamation: ") + text; }
    void error(const QString &text) override { shown << QStringLiteral("error: ") + text; }
};
