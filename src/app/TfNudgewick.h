#pragma once

#include <QMainWindow>
#include <QPointer>

#include "core/TaskEditorMode.h"

#include <functional>
#include <memory>

class AlarmEngine;
class AppTrayIcon;
class AutostartEntry;
class BackupService;
class Clock;
class HotKeyBackend;
class HotKeyManager;
class Prompter;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QComboBox;
class QTimer;
class QToolButton;
class SyncControl;
class TDM;
class TMSNPopUp;
class TaskActions;
class TaskGrid;
class TaskGridModel;
class ViewPanel;
enum class TaskListReport;
struct ReportPaper;
class UpdateChecker;
class UrlOpener;
struct AppState;
struct TaskValues;
struct ViewTitleSources;
namespace tasksync {
class SyncRunner;
}

// The main window: a frame that holds the view panel, the button bar, the
// task grid and the notes panel, owns the timers and the menus, and runs the
// start-up and close sequences. The work itself is done by the subsystems
// it is handed or owns.
class TfNudgewick : public QMainWindow
{
    Q_OBJECT
public:
    TfNudgewick(TDM &dm, AppState &state, Prompter &prompter, const Clock &clock, const QString &dataFolder,
                QWidget *parent = nullptr);
    ~TfNudgewick() override;

    // The start-up sequence; throws when the database cannot be opened.
    void FormCreate();
    // Reads the settings file and applies it (part of the start-up).
    void LoadSettings();

    // Close sequence and window handlers.
    bool FormCloseQuery();
    bool FormClose();
    // How a save that fails is reported: asked about while someone uses the
    // program, only logged when it ends or saves unattended (SIGTERM, end of
    // the desktop session), where a question would keep it from ending.
    enum class SaveErrors { Ask, Log };
    void ShutDown(SaveErrors errors = SaveErrors::Ask);
    void SaveSettings(SaveErrors errors = SaveErrors::Ask);
    void WMQueryEndSession();
    void FormKeyDown(int key);
    void FormActivate();
    void aShowNudgewickExecute();
    void aMinimizeNudgewickExecute();
    void aExitNudgewickExecute();
    void ApplicationMinimize();
    void MainMenu1Change();
    void WindowItemClick(QAction *item);

    // The "Window" menu lists the open task editors of existing tasks.
    QAction *addWindowItem(QWidget *editor, int taskId, const QString &category, const QString &task);
    void removeWindowItem(int taskId);
    void removeWindowItem(QAction *item);

    // Opens the task editor in the given mode and returns when it has closed;
    // a new task's editor shows `filled` instead of the defaults when given.
    void OpenTaskEditor(TaskEditorMode mode, const TaskValues *filled = nullptr);
    // The quick-add box (TfNudgewickQuickAdd.cpp): a task in one line of
    // words, saved as the editor's Add saves it. Returns when it has closed.
    void aQuickAddExecute();
    // The value lists of the view panel read again (after the editor saved),
    // and a category box filled from the category list.
    void RefreshValueLists();
    void FillCategoryCombo(QComboBox *combo) const;

    // Opens the task of a clicked notification (PromptedTaskID) in prompt mode.
    void aNudgewickExecute();
    // Checks for a newer version; a silent check reports only a newer one.
    void UpdateCheck(bool silent);

    // Global hotkeys and the settings dialog (TfNudgewickHotkeys.cpp).
    void SetUpHotKeys();
    void HotKeyPressed(int HotKeyIndex);
    // Opens the settings dialog; on the page named when given ("tsSync").
    void Settings2Click(const QString &startPage = QString());
    HotKeyManager *hotKeyManager() const;
    // Replaces the platform's hotkeys (tests); before FormCreate.
    void setHotKeyBackend(std::unique_ptr<HotKeyBackend> backend);

    // The print commands: a list report of the task list as the grid shows
    // it, or the grid's current task. Each shows a preview and returns when
    // it is closed.
    void PrintDescriptionSingleLine1Click();
    void PrintDescriptionDoubleLine1Click();
    void PrintDescriptionNotes1Click();
    void PrintSelectedTaskOnly1Click();
    // Previews the task with that ID as the database holds it (the task
    // editor's print button); the preview opens over `over` when given.
    void PrintTask(int taskId, QWidget *over = nullptr);

    // Ends the program's session without questions (desktop logout, SIGTERM).
    void endSession();
    // The desktop asks to save before a logout that may still be cancelled:
    // saves the settings and leaves the program running.
    void commitSession();

    // The shell around the window (TfNudgewickShell.cpp): tray, start at
    // login, update check, About box and help pages.
    // Starts with the window hidden, as long as a tray can bring it back.
    void startHidden();
    // Settings switched at run time; each takes effect at once.
    void setWindowsStartup(bool on);
    void setMinimizeToTray(bool on);
    void setAutoUpdate(bool on);
    void CheckforUpdate1Click();
    void About1Click();
    void OnlineHelp1Click();
    void OnlineSupport1Click();
    void sbDonateClick();
    void TrayIconBalloonClick();
    // Web addresses and pages are opened through `opener` from now on.
    void setUrlOpener(UrlOpener &opener) { m_urlOpener = &opener; }
    AppTrayIcon *trayIcon() const { return TrayIcon; }
    AutostartEntry &autostartEntry() const { return *abfAutoRun1; }
    UpdateChecker *updateChecker() const { return m_updateChecker; }

    bool hasShutDown() const { return m_shutDown; }
    QString settingsFile() const;
    QString databaseFile() const;

    // Rolling backups; a change of several tasks at once calls
    // backupService()->backupNow(BackupReason::BulkChange) before it starts.
    BackupService *backupService() const { return m_backups; }
    // "Restore from Backup..." of the File menu.
    void aRestoreBackupExecute();

    // The Windows version's database (TfNudgewickImport.cpp). "Import Tasks
    // from a Windows Database…" asks for a file and adds its tasks.
    void aImportWindowsTasksExecute();
    void ImportTasksFrom(const QString &file);
    // Writes a change being typed into the grid, so what follows (a backup,
    // an import, an export, undo) sees it.
    void postPendingEdit();
    // iCalendar files (TfNudgewickCalendarFiles.cpp).
    void aExportCalendarExecute();
    void aImportCalendarExecute();

    // Sync with a CalDAV server (TfNudgewickSync.cpp). The runner does the
    // passes and must outlive the window; without one (null) nothing syncs.
    void setSyncRunner(tasksync::SyncRunner *runner);
    SyncControl *syncControl() const { return m_sync; }
    // "Sync Now": a pass, or the Sync page of the settings while sync is
    // not set up.
    void aSyncNowExecute();

    // Components other parts of the program reach.
    TaskGrid *grid() const { return dbgTasks; }
    ViewPanel *viewPanel() const { return pcSelections; }
    TaskActions *taskActions() const { return m_taskActions; }
    TaskGridModel *gridModel() const { return m_gridModel; }
    QLabel *statusPanel(int index) const;
    QMenu *windowMenu() const { return Window1; }
    QTimer *popupTimer() const { return tPopup; }
    QTimer *disablePopupsTimer() const { return tDisablePopups; }
    QTimer *popupIntervalTimer() const { return tPopupInterval; }
    AlarmEngine *alarmEngine() const { return m_alarm; }

    // Heights of the two memos and width of the notes panel, in pixels.
    struct NotesPanelSizes
    {
        int descriptionHeight;
        int notesHeight;
        int width;
    };
    NotesPanelSizes notesPanelSizes() const;
    void setNotesPanelSizes(int descriptionHeight, int notesHeight, int width);

    // The notification component of the alarm prompts.
    TMSNPopUp *MSNPopUp = nullptr;

    QAction *aTaskAdd = nullptr;
    QAction *aQuickAdd = nullptr;
    QAction *aTaskEdit = nullptr;
    QAction *aTaskDelete = nullptr;
    QAction *aTaskDuplicate = nullptr;
    QAction *aNudgewick = nullptr;
    QAction *aMinimizeNudgewick = nullptr;
    QAction *aShowNudgewick = nullptr;
    QAction *aExitNudgewick = nullptr;
    QAction *aShowFields = nullptr;
    QAction *aHideLeftPanel = nullptr;
    QAction *aShowLeftPanel = nullptr;
    QAction *aLongDateFormat = nullptr;
    QAction *aDisablePopups = nullptr;
    QAction *aRefresh = nullptr;
    QAction *aRestoreBackup = nullptr;
    QAction *aImportWindowsTasks = nullptr;
    QAction *aExportCalendar = nullptr;
    QAction *aImportCalendar = nullptr;
    QAction *aUndo = nullptr;
    QAction *aRedo = nullptr;
    QAction *aSyncNow = nullptr;

signals:
    // ShutDown has run: the application's event loop should end.
    void ended();
    // A task editor added, changed or deleted tasks: value lists and the
    // calendar's marks follow.
    void tasksChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    // Building the frame (TfNudgewickUi.cpp).
    void createActions();
    void createMenus();
    void createWidgets();
    void bindTaskList();
    void showViewTab(int index);
    void followCurrentRow();
    // The view panel, the grid and the task actions (TfNudgewickViews.cpp).
    void wireViews();
    void startViews();
    // Printing (TfNudgewickPrint.cpp).
    void printTaskList(TaskListReport kind);
    ViewTitleSources viewTitleSources() const;
    ReportPaper reportPaper() const;
    void createShell();
    void applyAutostart();
    void announceNewerVersion(const QString &published, bool silent);

    // Backups (TfNudgewickBackup.cpp).
    void createBackupService();
    // Opens the task database, offering the newest good backup when the
    // file is missing or fails its checks.
    void openDatabase();
    void RescueDatabase();
    void ApplyBackupSettings();
    // Offers to import the Windows version's database found at the live name.
    void ImportWindowsDatabase();

    // Undo and redo (TfNudgewickUndo.cpp).
    void createUndoActions();
    void updateUndoActions();
    void replayStep(bool undoing);

    // Sync (TfNudgewickSync.cpp).
    void createSync();
    void startSync();
    void syncTasksChanged();
    void showSyncStatus();

    // Runs a handler from the event loop; an error is reported, not thrown on.
    void guard(const std::function<void()> &handler);

    TDM &m_dm;
    AppState &m_state;
    Prompter &m_prompter;
    const Clock &m_clock;
    QString m_dataFolder;
    bool m_shutDown = false;
    // The balloon on show offers the newer version (a click opens its page).
    bool m_balloonOffersUpdate = false;
    bool m_painted = false;
    BackupService *m_backups = nullptr;

    QLabel *m_statusPanels[2] = {};
    ViewPanel *pcSelections = nullptr;
    QWidget *pButtons = nullptr;
    QToolButton *sbAdd = nullptr;
    QToolButton *sbQuickAdd = nullptr;
    QToolButton *sbEdit = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QToolButton *sbDelete = nullptr;
    QLineEdit *eTaskSearch = nullptr;
    QToolButton *sbTaskSearch = nullptr;
    TaskGrid *dbgTasks = nullptr;
    TaskGridModel *m_gridModel = nullptr;
    TaskActions *m_taskActions = nullptr;
    QSplitter *m_gridSplitter = nullptr;
    QWidget *pNotes = nullptr;
    QSplitter *m_notesSplitter = nullptr;
    NotesPanelSizes m_notesSizes{100, 200, 185};
    QPlainTextEdit *dbmDescription = nullptr;
    QPlainTextEdit *dbmNotes = nullptr;
    QToolButton *sbDonate = nullptr;
    QMenu *Window1 = nullptr;
    QMenu *pmTasks = nullptr;
    QTimer *tPopup = nullptr;
    QTimer *tDisablePopups = nullptr;
    QTimer *tPopupInterval = nullptr;

    QAction *OnlineHelp1 = nullptr;
    QAction *CheckforUpdate1 = nullptr;
    QAction *OnlineSupport1 = nullptr;
    QAction *About1 = nullptr;
    AppTrayIcon *TrayIcon = nullptr;
    std::unique_ptr<AutostartEntry> abfAutoRun1;
    UpdateChecker *m_updateChecker = nullptr;
    std::unique_ptr<UrlOpener> m_desktopOpener;
    UrlOpener *m_urlOpener = nullptr;
    class HelpWindow *m_helpWindow = nullptr;
    QString m_searchWords; // of the search listed, empty for a view // made on the first F1
    AlarmEngine *m_alarm = nullptr;
    std::unique_ptr<HotKeyBackend> m_hotKeyBackend;
    QPointer<HotKeyManager> m_hotKeyManager;
    SyncControl *m_sync = nullptr;
    QLabel *m_syncPanel = nullptr;
    QTimer *m_syncRequery = nullptr; // a requery put off while a grid edit is pending
};
