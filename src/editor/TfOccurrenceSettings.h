#pragma once

#include <QDialog>

#include <memory>

class Prompter;
namespace Ui { class TfOccurrenceSettings; }

// Frequency, valid hours and valid days of a recurring task. The kind decides
// which sections are enabled; OK hands back all three values, a disabled
// section the values it was loaded with.
class TfOccurrenceSettings : public QDialog
{
    Q_OBJECT
public:
    TfOccurrenceSettings(Prompter &prompter, QWidget *parent = nullptr);
    ~TfOccurrenceSettings() override;

    // Loads the dialog; throws Error when the valid hours cannot be read.
    void load(const QString &kind, int frequency, const QString &validHours, const QString &validDays);

    int frequency() const;
    QString validHours() const;
    QString validDays() const;

    // Accepts unless the valid hours end before they begin.
    void bbOKClick();

private:
    std::unique_ptr<Ui::TfOccurrenceSettings> ui;
    Prompter &m_prompter;
};
