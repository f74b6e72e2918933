#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Start at login: an XDG autostart entry (a desktop entry file in
// $XDG_CONFIG_HOME/autostart, by default ~/.config/autostart) that runs a
// command when the user logs in. On means the entry exists and the desktop
// has not been told to skip it. The entry always has the same file name, so
// a moved or renamed executable finds and rewrites its own entry.
class AutostartEntry
{
public:
    // The entry file `fileName` in `folder`.
    explicit AutostartEntry(QString folder, QString fileName = defaultFileName());

    static QString defaultFileName();
    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when it is unset
    // or not an absolute path.
    static QString defaultFolder(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

    QString filePath() const;

    // The program and arguments the entry runs, written by the next
    // setEnabled(true).
    void setCommand(const QString &program, const QStringList &arguments);
    QStringList command() const { return m_command; }

    // Whether the entry is on: its file exists and does not hide itself.
    bool isEnabled() const;
    // Writes (atomically) or removes the entry. Returns false when that
    // failed; the entry is then left as it was, and errorString() says why.
    bool setEnabled(bool on);
    QString errorString() const { return m_error; }

    // The Exec value of a desktop entry for a command: each argument quoted
    // when it needs to be, '%' doubled, and the string escapes applied.
    static QString execValue(const QStringList &command);
    // The reverse: the arguments an Exec value runs. Field codes (%f, %u...)
    // are dropped; an unterminated quote yields an empty list.
    static QStringList parseExecValue(const QString &value);

private:
    QString m_folder;
    QString m_fileName;
    QStringList m_command;
    QString m_error;
};
