#pragma once

#include "quickadd/QuickAddParser.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The quick-add box: one line of words, what it will store in words under
// it, the understood words marked in the line. Enter saves, Esc closes,
// "More…" (Ctrl+E) hands the values to the full editor.
class TfQuickAdd : public QDialog
{
    Q_OBJECT
public:
    // makeContext gives the present, the defaults and the formats; it is
    // asked again at every key, so "in 20 minutes" counts from the moment of
    // the save. save stores the values and says whether it did; more opens
    // the full editor with them.
    struct Host
    {
        std::function<quickadd::Context()> makeContext;
        std::function<bool(const TaskValues &)> save;
        std::function<void(const TaskValues &)> more;
    };
    explicit TfQuickAdd(Host host, QWidget *parent = nullptr);

    QString line() const;
    void setLine(const QString &text);
    QString preview() const;

    // Handlers, also run by tests.
    void saveLine();
    void moreClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void lineChanged();
    quickadd::Result current() const;

    Host m_host;
    QPlainTextEdit *eLine = nullptr;
    QLabel *lPreview = nullptr;
    QPushButton *bbMore = nullptr;
    QPushButton *bbAdd = nullptr;
};

// The context of a quick-add line from the settings file's defaults for a new
// task and the running program's formats and categories.
class Clock;
quickadd::Context quickAddContext(const QString &settingsFile, const Clock &clock, const FormatSettings &formats,
                                  const QStringList &categories);
