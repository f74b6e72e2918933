#pragma once

#include "hotkeys/KeyTable.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <memory>

class Clock;
class HotKeyManager;
class ProfileFile;
class Prompter;
class QComboBox;
class SpinEdit;
class QKeyEvent;
class QLineEdit;
class SettingsHost;
class TMSNPopUp;
struct AppState;

namespace Ui {
class TfSettings;
}

// The settings dialog: program switches, defaults for new tasks, the popup
// look and pacing, the alarm sound, the date and time formats and the two
// global hotkeys. OK writes the settings file and the hotkey file and
// applies everything to the running program. A few controls act at once
// (the update check, start with the session, minimise to tray, auto close
// on apply, the chosen sound file, the date and time patterns); Cancel puts
// back only the sound file.
class TfSettings : public QDialog
{
    Q_OBJECT
public:
    // Everything handed in must outlive the dialog; hotKeys may be null.
    TfSettings(AppState &state, TMSNPopUp &mainPopup, HotKeyManager *hotKeys, SettingsHost &host,
               Prompter &prompter, const Clock &clock, const QString &settingsFile, QWidget *parent = nullptr);
    ~TfSettings() override;

    // Asks for a sound file; an empty text when none was chosen.
    using FileChooser = std::function<QString(QWidget *parent)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // The page shown when the dialog opens (its object name, "tsSync" for
    // example); the first page when not set.
    void setStartPage(const QString &pageName) { m_startPage = pageName; }

    // The dialog's own notification component, for the preview.
    TMSNPopUp *previewPopup() const { return m_preview; }

    // Handlers (public so that the main window's tests and the dialog's own
    // can drive them as the user would).
    void FormShow();
    void bbOKClick();
    void bbCancelClick();
    void sbOpenFileClick();
    void sbPlayClick();
    void sbPreviewClick();
    void sbOccurrenceSettingsClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    void connectHandlers();
    void guard(const std::function<void()> &handler);
    void readDefaults();
    void readNotify();
    void writeSettingsFile();
    void applyFlags();
    void spinFieldsInterpreted();

    // A stored value may lie outside its field's range (or its list). The
    // field shows what it can; OK writes the stored value back unchanged
    // unless the user changed what the field shows.
    void showHeld(SpinEdit *field, int stored);
    void showHeld(QComboBox *field, int stored);
    int heldValue(const SpinEdit *field) const;
    int heldValue(const QComboBox *field) const;

    // Date and time pages (TfSettingsFormats.cpp).
    void showFormats();
    void eShortDateFormatChange();
    void eLongDateFormatChange();
    void eTimeFormatChange();
    void rbTimeAMPMClick();
    void rbTime24HourClick();
    void tsTimeShow();
    void formatsChanged();

    // Sync page (TfSettingsSync.cpp).
    void showSync();
    void eSyncAddressChange();
    // False, with the page shown and the reason said, when the address
    // cannot be used.
    bool syncAddressAccepted();
    void writeSyncSettings(ProfileFile &file) const;
    void applySync();

    // Global hotkeys page (TfSettingsHotkeys.cpp).
    void showHotkeys();
    void applyHotkeys();
    bool captureKey(QLineEdit *field, QKeyEvent *event);
    void reportUnavailableHotkeys();

    std::unique_ptr<Ui::TfSettings> ui;
    AppState &m_state;
    TMSNPopUp &m_mainPopup;
    HotKeyManager *m_hotKeys;
    SettingsHost &m_host;
    Prompter &m_prompter;
    const Clock &m_clock;
    QString m_settingsFile;
    TMSNPopUp *m_preview = nullptr;
    FileChooser m_chooseFile;
    bool m_shown = false;
    QString m_startPage;

    struct Held
    {
        int shown = 0;
        int stored = 0;
    };
    QHash<const QObject *, Held> m_held;
    QString m_heldPriority;  // the [Defaults] Priority text as stored
    QString m_heldValidDays; // the [Defaults] ValidDays as stored; null when not set

    // The sound file the player held when the dialog opened.
    QString SavedAlarmFile;
    // The modifiers of the last key press in a hotkey field.
    TModifiers CapturedModifiers = 0;
};
