#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class IniStore;
class QPainter;
class QWidget;
class THelpViewer;

// The application settings component, owned by the main window: opens the settings file,
// reads the framework's settings once the window is built, runs the start sequence (start step
// 1025, then start event 1028, both posted), shows the start-up screen and the about box, asks
// before the main window may close, drives the help viewer, and writes the settings file back
// when it is destroyed.
//
// Extending it (the database logon builds on it): override ReadSettings (call the base first),
// StartUp (replaces the start-up screen), QueryTerminate (extend the base answer), DoStart;
// post own messages with PostMessage and handle them in HandleMessage; use CurrentForm,
// SetCurrentForm, ReleaseCurrentForm and timer 1 (StartTimer1/StopTimer1, whose expiry releases
// the current form) for dialogs of your own, painted by PaintAbout.
class TAppIni : public QObject
{
    Q_OBJECT
public:
    static constexpr int WM_STARTSTEP = 1025; // run StartUp
    static constexpr int WM_STARTEVENT = 1028; // run DoStart

    // Arguments are the program's command line without the program itself; the first form
    // takes them from the application object.
    explicit TAppIni(QWidget* owner);
    TAppIni(QWidget* owner, const QStringList& arguments);
    ~TAppIni() override;

    // Settings set by the program before the window is shown.
    QFont AboutFont; // font of AboutText
    QColor AboutColor; // colour of AboutText
    QString AboutText; // one line at the bottom left of the start-up screen and the about box
    QPixmap BitMap; // painted at the top left; by default a 400 x 100 picture with the title
    bool UseLanguage = true;
    bool UseHelp = true;
    // "HelpFile" when the settings file has none: the program's name + ".hlp".
    QString DefaultHelpFile;
    // The program's folder: where help files are listed and relative help file names point.
    QString ProgramFolder;

    std::function<void(QObject* sender)> OnStart;
    std::function<void(QObject* sender, bool& canTerminate)> OnTerminate;

    // The settings store, open from construction; written back by the destructor.
    IniStore& IniFile() const { return *FIniFile; }

    // The owner has been built: reads the settings and posts the start messages, once. The owner
    // should call it at the end of its construction; its first showing does it otherwise.
    void Loaded();
    bool Started() const { return FStarted; }

    void ShowAbout();
    void OpenHomePage();
    void HelpOnActiveControl();
    void ShowHelpKeyword(const QString& keyword);
    void ShowHelpContext(int context);
    void ShowHelpContents();
    void ShowHelpIndex();
    void SelectHelpFile();

    // Whether the application may end: OnTerminate's answer (true when not set).
    virtual bool QueryTerminate();

    // Picture, AboutText at the bottom left and a black frame, for borderless 400 x 100 forms;
    // on a form with a border only the picture (the text would lie below its client area).
    void PaintAbout(QWidget* form, QPainter& painter) const;

    QWidget* Owner() const { return FOwner; }
    QWidget* CurrentForm() const;
    // The help viewer, once a help request has created it.
    THelpViewer* HelpViewer() const;
    QStringList Arguments() const { return FArguments; }
    QString MachineId() const { return FMachineId; }
    // "RCT" as read at start: the stored credentials are plain text.
    bool PlainCredentials() const { return FPlainCredentials; }

    // "NWUsername", else "Username", else "USERNAME", else "USER"; "" when none is set.
    static QString EnvironmentUserName();
    // The path after the first "/IniFile" (any case; "" when it is the last argument), else the
    // program's path with ".ini" in place of its extension.
    static QString SettingsPath(const QStringList& arguments, const QString& programPath);
    // The component registered for the program, nullptr when none.
    static TAppIni* Registered();
    // The terminate hook: the registered component's QueryTerminate, true without one.
    static bool ApplicationMayTerminate();
    static QPixmap DefaultPicture(const QString& title);

protected:
    virtual void DoStart();
    virtual void StartUp();
    virtual void ReadSettings();
    // Messages posted with PostMessage other than 1025 and 1028; true when handled.
    virtual bool HandleMessage(int number);
    // Starts a program through the desktop (ExecuteProgram); tests replace it.
    virtual void RunProgram(const QString& program, const QString& parameters);

    void PostMessage(int number);
    void ShowSplash();
    void SetCurrentForm(QWidget* form);
    // Closes the current form: a modal one ends its dialog, any other is hidden and deleted.
    void ReleaseCurrentForm();
    void StartTimer1(int milliseconds);
    void StopTimer1();

    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    THelpViewer* OpenHelpViewer();
    QString ResolvedHelpFile() const;
    void WriteSettings();

    QWidget* FOwner;
    QStringList FArguments;
    std::unique_ptr<IniStore> FIniFile;
    QString FMachineId;
    bool FStarted = false;
    bool FPlainCredentials = false;
    QPointer<QWidget> FCurrentForm;
    QPointer<THelpViewer> FHelpViewer;
    QBasicTimer FTimer1;
};
