#include "settingsdialog/TfSettings.h"
#include "ui_TfSettings.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "hotkeys/HotKeyManager.h"
#include "popup/MSNPopUp.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "settingsdialog/SettingsHost.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/FocusFrame.h"
#include "toolkit/Prompter.h"
#include "toolkit/SpinEdit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

namespace {

QString chooseSoundFile(QWidget *parent)
{
    QFileDialog dialog(parent, QCoreApplication::translate("TfSettings", "Alarm sound"));
    dialog.setObjectName(u"OpenDialog1"_s);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(u"Wav (*.wav)"_s);
    dialog.setDefaultSuffix(u"wav"_s);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().size() != 1)
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

TfSettings::TfSettings(AppState &state, TMSNPopUp &mainPopup, HotKeyManager *hotKeys, SettingsHost &host,
                       Prompter &prompter, const Clock &clock, const QString &settingsFile, QWidget *parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::TfSettings>()),
      m_state(state),
      m_mainPopup(mainPopup),
      m_hotKeys(hotKeys),
      m_host(host),
      m_prompter(prompter),
      m_clock(clock),
      m_settingsFile(settingsFile),
      m_chooseFile(chooseSoundFile)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowStaysOnTopHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    ui->cbOccurrence->addItems(occurrenceChoices());
    ui->cbSnoozeTime->addItems(snoozeTimeChoices());
    // Offered for the kinds that have occurrence settings, where the program
    // has the dialog for them.
    ui->sbOccurrenceSettings->setVisible(m_host.canEditOccurrenceDefaults(ui->cbOccurrence->currentText()));
    connect(ui->cbOccurrence, &QComboBox::currentTextChanged, this, [this](const QString &kind) {
        ui->sbOccurrenceSettings->setVisible(m_host.canEditOccurrenceDefaults(kind));
    });

    // The preview's own notification component.
    m_preview = new TMSNPopUp(this);
    m_preview->setObjectName(u"MSNPopUp"_s);
    m_preview->setTitle(u"Nudgewick"_s);
    m_preview->setText(u"text"_s);
    m_preview->setWidth(150);
    m_preview->setHeight(150);
    m_preview->setScrollSpeed(9);
    m_preview->setOptions(msnAutoOpenURL | msnCascadePopups | msnAllowScroll | msnAllowHyperlink);

    for (QLineEdit *field : {ui->eHotKeyShowNudgewick, ui->eHotkeyDisablePopups, ui->eHotkeyQuickAdd})
        field->installEventFilter(this);
    // Read-only fields (the format examples, the captured hotkeys) show the
    // keyboard focus plainly; styles barely mark it there.
    for (QLineEdit *field : findChildren<QLineEdit *>())
        if (field->isReadOnly())
            FocusFrame::attach(field);
    connectHandlers();
}

TfSettings::~TfSettings() = default;

void TfSettings::guard(const std::function<void()> &handler)
{
    guarded(m_prompter, handler);
}

void TfSettings::connectHandlers()
{
    const auto on = [this](auto *sender, auto signal, auto handler) {
        connect(sender, signal, this, [this, handler] { guard([this, handler] { (this->*handler)(); }); });
    };
    on(ui->bbOK, &QPushButton::clicked, &TfSettings::bbOKClick);
    on(ui->bbCancel, &QPushButton::clicked, &TfSettings::bbCancelClick);
    on(ui->sbOpenFile, &QToolButton::clicked, &TfSettings::sbOpenFileClick);
    on(ui->sbPlay, &QToolButton::clicked, &TfSettings::sbPlayClick);
    on(ui->sbPreview, &QPushButton::clicked, &TfSettings::sbPreviewClick);
    on(ui->sbOccurrenceSettings, &QPushButton::clicked, &TfSettings::sbOccurrenceSettingsClick);
    on(ui->eSyncAddress, &QLineEdit::textChanged, &TfSettings::eSyncAddressChange);

    // The switches that act at once, on the user's changes only.
    connect(ui->cbCheckforanewversion, &QCheckBox::clicked, this,
            [this](bool checked) { m_state.UpdateCheckPending = checked; });
    connect(ui->cbAddNudgewickToWindowsStartup, &QCheckBox::clicked, this, [this](bool checked) {
        guard([&] { m_host.setStartWithSession(checked, QCoreApplication::applicationFilePath() + u" Startup"_s); });
    });
    connect(ui->cbMinimizetoSystemTray, &QCheckBox::clicked, this,
            [this](bool checked) { guard([&] { m_host.setMinimizeToTray(checked); }); });
    connect(ui->cbApplyOccurrence, &QCheckBox::clicked, this,
            [this](bool checked) { m_state.AutoCloseOnApply = checked; });

    // Date and time pages.
    for (QLineEdit *field : {ui->eShortDateSeperator, ui->eShortDateFormat})
        on(field, &QLineEdit::textChanged, &TfSettings::eShortDateFormatChange);
    for (QLineEdit *field : {ui->eLongDateSeperator, ui->eLongDateFormat})
        on(field, &QLineEdit::textChanged, &TfSettings::eLongDateFormatChange);
    on(ui->eTimeFormat, &QLineEdit::textChanged, &TfSettings::eTimeFormatChange);
    on(ui->rbTimeAMPM, &QRadioButton::clicked, &TfSettings::rbTimeAMPMClick);
    on(ui->rbTime24Hour, &QRadioButton::clicked, &TfSettings::rbTime24HourClick);
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this](int) {
        if (ui->PageControl1->currentWidget() == ui->tsDateTimeFormats)
            ui->pcDateTimeFormats->setCurrentWidget(ui->tsShortDate);
    });
    connect(ui->pcDateTimeFormats, &QTabWidget::currentChanged, this, [this](int) {
        if (ui->pcDateTimeFormats->currentWidget() == ui->tsTime)
            guard([this] { tsTimeShow(); });
    });
}

void TfSettings::showEvent(QShowEvent *event)
{
    if (!m_shown) {
        m_shown = true;
        guard([this] { FormShow(); });
    }
    QDialog::showEvent(event);
}

// Fills the controls with the values in effect. Filling runs no handler, so
// opening the dialog changes nothing.
void TfSettings::FormShow()
{
    SavedAlarmFile = m_host.alarmSoundFile();

    ui->cbCheckforanewversion->setChecked(m_state.AutoUpdate);
    ui->cbAddNudgewickToWindowsStartup->setChecked(m_state.WindowsStartup);
    ui->cbConfirmDialogonExit->setChecked(m_state.ExitDialog);
    ui->cbESCKeyMinimizeNudgewick->setChecked(m_state.EscMinimize);
    ui->cbMinimizetoSystemTray->setChecked(m_state.MinimizeToTray);
    ui->cbMinimizeOnClose->setChecked(m_state.MinimizeOnClose);

    ui->cbCategory->clear();
    ui->cbCategory->addItems(m_host.categoryCaptions());
    readDefaults();
    ui->cbShowSnoozeConfirmation->setChecked(m_state.SnoozeConfirm);
    readNotify();
    showFormats();
    showHotkeys();
    showSync();
    auto *start = m_startPage.isEmpty() ? nullptr : ui->PageControl1->findChild<QWidget *>(m_startPage);
    ui->PageControl1->setCurrentWidget(start && ui->PageControl1->indexOf(start) >= 0 ? start : ui->tsProgram);
}

void TfSettings::readDefaults()
{
    const ProfileFile file(m_settingsFile);
    ui->cbCategory->setEditText(readText(file, Setting::DefaultCategory));
    m_heldPriority = readText(file, Setting::DefaultPriority);
    int priority = ui->sePriority->minimum();
    parseProfileInteger(m_heldPriority, priority);
    showHeld(ui->sePriority, priority);
    showHeld(ui->cbOccurrence, readItemIndex(file, Setting::DefaultOccurrence));
    m_state.WorkingFrequency = readInteger(file, Setting::DefaultFrequency);
    m_state.WorkingValidHours = readText(file, Setting::DefaultValidHours);
    m_heldValidDays = readText(file, Setting::DefaultValidDays, QString());
    m_state.WorkingValidDays = readText(file, Setting::DefaultValidDays);
    showHeld(ui->cbSnoozeTime, readItemIndex(file, Setting::DefaultSnoozeTime));
    ui->cbApplyOccurrence->setChecked(readBool(file, Setting::ApplyOccurrence));
    ui->cbQuickAddDatesAfterAt->setChecked(readBool(file, Setting::QuickAddDatesAfterAt));
}

void TfSettings::readNotify()
{
    const ProfileFile file(m_settingsFile);
    ui->ColorPickerButton1->setColor(readColour(file, Setting::GradientColor1));
    ui->ColorPickerButton2->setColor(readColour(file, Setting::GradientColor2));
    showHeld(ui->seScrollSpeed, readInteger(file, Setting::ScrollSpeed));
    showHeld(ui->seTimeOut, readInteger(file, Setting::TimeOut));
    showHeld(ui->seWidth, readInteger(file, Setting::PopupWidth));
    showHeld(ui->seHeight, readInteger(file, Setting::PopupHeight));
    showHeld(ui->seStartPosition, readInteger(file, Setting::StartPosition));
    ui->eAlarmFile->setText(readText(file, Setting::AlarmFile));
    // The pacing minutes are those of the running timers.
    showHeld(ui->seDisablePopups, m_host.disablePopupsMinutes());
    showHeld(ui->sePopupInterval, m_host.popupIntervalMinutes());
    ui->cbUseDesktopNotifications->setChecked(m_state.UseDesktopNotifications);
    // Why the choice has no effect now, when it has none.
    const QString unavailable = m_host.desktopNotificationsUnavailable();
    ui->lDesktopNotificationsState->setText(unavailable);
    ui->lDesktopNotificationsState->setVisible(!unavailable.isEmpty());
    showHeld(ui->seDigestThreshold, m_state.DigestThreshold);
    showHeld(ui->seSkipLateMinutes, m_state.SkipLateMinutes);
}

void TfSettings::showHeld(SpinEdit *field, int stored)
{
    field->setValue(stored);
    m_held.insert(field, {field->value(), stored});
}

void TfSettings::showHeld(QComboBox *field, int stored)
{
    field->setCurrentIndex(stored);
    m_held.insert(field, {field->currentIndex(), stored});
}

int TfSettings::heldValue(const SpinEdit *field) const
{
    const auto held = m_held.constFind(field);
    return held != m_held.cend() && held->shown == field->value() ? held->stored : field->value();
}

int TfSettings::heldValue(const QComboBox *field) const
{
    const auto held = m_held.constFind(field);
    return held != m_held.cend() && held->shown == field->currentIndex() ? held->stored : field->currentIndex();
}

// Takes what is typed in each spin field, moved into its range, as a loss
// of focus would; so OK stores only values within range, however it is pressed.
void TfSettings::spinFieldsInterpreted()
{
    for (SpinEdit *field : findChildren<SpinEdit *>())
        field->interpretText();
}

void TfSettings::bbOKClick()
{
    // An address sync cannot use keeps the dialog open, nothing applied.
    if (!syncAddressAccepted())
        return;
    spinFieldsInterpreted();

    m_mainPopup.setGradientColor1(ui->ColorPickerButton1->color());
    m_mainPopup.setGradientColor2(ui->ColorPickerButton2->color());
    m_mainPopup.setScrollSpeed(quint8(heldValue(ui->seScrollSpeed)));
    m_mainPopup.setTimeOut(heldValue(ui->seTimeOut));
    m_mainPopup.setWidth(heldValue(ui->seWidth));
    m_mainPopup.setHeight(heldValue(ui->seHeight));
    m_mainPopup.setPopupStartY(heldValue(ui->seStartPosition));
    m_host.setAlarmSoundFile(ui->eAlarmFile->text());

    // The first failure ends this block: what follows it stays as it was.
    try {
        writeSettingsFile();
        m_host.setDisablePopupsMinutes(heldValue(ui->seDisablePopups));
        m_host.setPopupIntervalMinutes(heldValue(ui->sePopupInterval));
        applyHotkeys();
        applyFlags();
        applySync();
    } catch (const Error &e) {
        qCWarning(lcSettings) << "saving the settings dialog failed:" << e.text();
        m_prompter.message(u"There was a problem saving in the Settings screen!"_s);
    }
    reportUnavailableHotkeys();

    m_host.saveSettings();
    m_host.applyDateDisplayFormat();
    accept();
}

// [Notify], [Formats] and [Defaults] in one atomic replacement of the file.
void TfSettings::writeSettingsFile()
{
    ProfileFile file(m_settingsFile);
    writeColour(file, Setting::GradientColor1, ui->ColorPickerButton1->color());
    writeColour(file, Setting::GradientColor2, ui->ColorPickerButton2->color());
    writeInteger(file, Setting::ScrollSpeed, heldValue(ui->seScrollSpeed));
    writeInteger(file, Setting::TimeOut, heldValue(ui->seTimeOut));
    writeInteger(file, Setting::PopupWidth, heldValue(ui->seWidth));
    writeInteger(file, Setting::PopupHeight, heldValue(ui->seHeight));
    writeInteger(file, Setting::StartPosition, heldValue(ui->seStartPosition));
    writeText(file, Setting::AlarmFile, ui->eAlarmFile->text());
    writeInteger(file, Setting::DisablePopups, heldValue(ui->seDisablePopups));
    writeInteger(file, Setting::PopupInterval, heldValue(ui->sePopupInterval));
    writeBool(file, Setting::DesktopNotifications, ui->cbUseDesktopNotifications->isChecked());
    writeInteger(file, Setting::DigestThreshold, heldValue(ui->seDigestThreshold));
    writeInteger(file, Setting::SkipLateMinutes, heldValue(ui->seSkipLateMinutes));

    writeFormatSettings(file, m_state.Formats);

    writeText(file, Setting::DefaultCategory, ui->cbCategory->currentText());
    const bool priorityKept = m_held.contains(ui->sePriority)
        && m_held.value(ui->sePriority).shown == ui->sePriority->value();
    writeText(file, Setting::DefaultPriority,
              priorityKept ? m_heldPriority : QString::number(ui->sePriority->value()));
    writeItemIndex(file, Setting::DefaultOccurrence, heldValue(ui->cbOccurrence));
    writeInteger(file, Setting::DefaultFrequency, m_state.WorkingFrequency);
    writeText(file, Setting::DefaultValidHours, m_state.WorkingValidHours);
    // Without a choice of days new tasks take their kind's default days;
    // OK alone does not make one.
    if (!m_heldValidDays.isNull() || m_state.WorkingValidDays != readText(file, Setting::DefaultValidDays))
        writeText(file, Setting::DefaultValidDays, m_state.WorkingValidDays);
    writeItemIndex(file, Setting::DefaultSnoozeTime, heldValue(ui->cbSnoozeTime));
    writeBool(file, Setting::ApplyOccurrence, ui->cbApplyOccurrence->isChecked());
    writeBool(file, Setting::QuickAddDatesAfterAt, ui->cbQuickAddDatesAfterAt->isChecked());
    writeSyncSettings(file);
    file.save();
}

void TfSettings::applyFlags()
{
    m_state.SnoozeConfirm = ui->cbShowSnoozeConfirmation->isChecked();
    m_state.AutoUpdate = ui->cbCheckforanewversion->isChecked();
    m_state.WindowsStartup = ui->cbAddNudgewickToWindowsStartup->isChecked();
    m_state.ExitDialog = ui->cbConfirmDialogonExit->isChecked();
    m_state.EscMinimize = ui->cbESCKeyMinimizeNudgewick->isChecked();
    m_state.MinimizeToTray = ui->cbMinimizetoSystemTray->isChecked();
    m_state.MinimizeOnClose = ui->cbMinimizeOnClose->isChecked();
    m_state.UseDesktopNotifications = ui->cbUseDesktopNotifications->isChecked();
    m_state.DigestThreshold = heldValue(ui->seDigestThreshold);
    m_state.SkipLateMinutes = heldValue(ui->seSkipLateMinutes);
}

void TfSettings::bbCancelClick()
{
    m_host.setAlarmSoundFile(SavedAlarmFile);
    reject();
}

void TfSettings::keyPressEvent(QKeyEvent *event)
{
    // Esc is the Cancel button.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        guard([this] { bbCancelClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

// The close box cancels too: a sound file chosen in the dialog does not stay
// in the player when the dialog is left without OK.
void TfSettings::closeEvent(QCloseEvent *event)
{
    if (isVisible())
        guard([this] { m_host.setAlarmSoundFile(SavedAlarmFile); });
    QDialog::closeEvent(event);
}

void TfSettings::done(int result)
{
    m_preview->CloseAllPopupWindows();
    QDialog::done(result);
}

void TfSettings::sbOpenFileClick()
{
    const QString file = m_chooseFile(this);
    if (file.isEmpty())
        return;
    ui->eAlarmFile->setText(file);
    m_host.setAlarmSoundFile(file);
}

void TfSettings::sbPlayClick()
{
    m_host.playAlarmSound();
}

void TfSettings::sbPreviewClick()
{
    spinFieldsInterpreted();
    m_preview->setGradientColor1(ui->ColorPickerButton1->color());
    m_preview->setGradientColor2(ui->ColorPickerButton2->color());
    m_preview->setScrollSpeed(quint8(heldValue(ui->seScrollSpeed)));
    m_preview->setTimeOut(heldValue(ui->seTimeOut));
    m_preview->setWidth(heldValue(ui->seWidth));
    m_preview->setHeight(heldValue(ui->seHeight));
    m_preview->setPopupStartY(heldValue(ui->seStartPosition));
    m_preview->setTitle(u"Nudgewick "_s + timeText(m_clock.now(), m_state.Formats));
    m_preview->setText(u"You are prompted with a task!"_s);
    m_preview->CloseAllPopupWindows();
    m_preview->ShowPopupWindow();
    // A blank sound field means no sound.
    if (!ui->eAlarmFile->text().trimmed().isEmpty())
        m_host.playAlarmSound();
}

void TfSettings::sbOccurrenceSettingsClick()
{
    m_host.editOccurrenceDefaults(ui->cbOccurrence->currentText());
}
