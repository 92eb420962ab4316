#include "framework/TAppIni.h"

#include "common/ExecuteProgram.h"
#include "common/IniStore.h"
#include "common/MachineIdentity.h"
#include "common/Slashes.h"
#include "framework/MessageBox.h"
#include "framework/TAboutForm.h"
#include "framework/TApplication.h"
#include "framework/THelpFileDialog.h"
#include "framework/THelpViewer.h"
#include "framework/TLangFiler.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>
#include <QWidget>
#include <QtDebug>

namespace
{

const QString Connection = QStringLiteral("Connection");

TAppIni* RegisteredAppIni = nullptr;

// Failures at the end of the run have no caller left to tell; the operator sees them.
void ReportFailure(const QString& text)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        MessageBox::error(text);
    else
        qCritical().noquote() << text;
}

} // namespace

TAppIni::TAppIni(QWidget* owner)
    : TAppIni(owner, QCoreApplication::arguments().mid(1))
{
}

TAppIni::TAppIni(QWidget* owner, const QStringList& arguments)
    : QObject(owner)
    , AboutFont(QApplication::font())
    , AboutColor(QApplication::palette().color(QPalette::WindowText))
    , FOwner(owner)
    , FArguments(arguments)
{
    BitMap = DefaultPicture(TApplication::Title());
    const QString program = QCoreApplication::applicationFilePath();
    ProgramFolder = QFileInfo(program).absolutePath();
    DefaultHelpFile = QFileInfo(program).completeBaseName() + QStringLiteral(".hlp");
    FIniFile = std::make_unique<IniStore>(SettingsPath(FArguments, program));
    FMachineId = MachineIdentity();
    RegisteredAppIni = this;
    if (FOwner)
        FOwner->installEventFilter(this);
}

TAppIni::~TAppIni()
{
    StopTimer1();
    if (FStarted)
        WriteSettings();
    if (RegisteredAppIni == this)
        RegisteredAppIni = nullptr;
    delete FCurrentForm.data();
    delete FHelpViewer.data();
}

void TAppIni::WriteSettings()
{
    // Each step on its own: a language file that cannot be written must not cost the settings.
    if (UseLanguage) {
        try {
            LangFiler().SaveLanguage();
        } catch (const std::exception& error) {
            ReportFailure(QString::fromUtf8(error.what()));
        }
        FIniFile->writeString(Connection, QStringLiteral("Language"), LangFiler().LanguageCode());
    }
    if (UseHelp)
        FIniFile->writeString(
            Connection, QStringLiteral("HelpFile"), ToBackSlashes(TApplication::HelpFile()));
    FIniFile->deleteKey(Connection, QStringLiteral("RCT"));
    FIniFile->writeString(Connection, QStringLiteral("HDS"), FMachineId);
    try {
        FIniFile->updateFile();
    } catch (const std::exception& error) {
        ReportFailure(QString::fromUtf8(error.what()));
    }
}

QPixmap TAppIni::DefaultPicture(const QString& title)
{
    QPixmap picture(400, 100);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, picture.width() - 1, picture.height() - 1);
    QFont font = QApplication::font();
    font.setPointSize(12);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 128));
    painter.drawText(
        QRect(10, 10, picture.width() - 20, picture.height() - 20), Qt::AlignLeft | Qt::AlignTop, title);
    return picture;
}

QString TAppIni::SettingsPath(const QStringList& arguments, const QString& programPath)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i).compare(QLatin1String("/IniFile"), Qt::CaseInsensitive) == 0)
            return arguments.value(i + 1);
    }
    const QFileInfo program(programPath);
    return program.path() + QLatin1Char('/') + program.completeBaseName() + QStringLiteral(".ini");
}

QString TAppIni::EnvironmentUserName()
{
    for (const char* name : {"NWUsername", "Username", "USERNAME", "USER"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

TAppIni* TAppIni::Registered()
{
    return RegisteredAppIni;
}

bool TAppIni::ApplicationMayTerminate()
{
    return RegisteredAppIni ? RegisteredAppIni->QueryTerminate() : true;
}

void TAppIni::Loaded()
{
    if (FStarted)
        return;
    FStarted = true;
    ReadSettings();
}

void TAppIni::ReadSettings()
{
    if (UseLanguage)
        LangFiler().SetLanguage(
            FIniFile->readString(Connection, QStringLiteral("Language"), QStringLiteral("us")));
    if (UseHelp)
        TApplication::SetHelpFile(
            ToForwardSlashes(FIniFile->readString(Connection, QStringLiteral("HelpFile"), DefaultHelpFile)));
    FPlainCredentials = FIniFile->readBool(Connection, QStringLiteral("RCT"), false);
    // Posted, so both run once the event loop runs, after the window is shown, in this order.
    PostMessage(WM_STARTSTEP);
    PostMessage(WM_STARTEVENT);
}

void TAppIni::PostMessage(int number)
{
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(number)));
}

bool TAppIni::event(QEvent* event)
{
    const int number = int(event->type());
    if (number == WM_STARTSTEP) {
        StartUp();
        return true;
    }
    if (number == WM_STARTEVENT) {
        DoStart();
        return true;
    }
    if (number >= QEvent::User && number <= QEvent::MaxUser && HandleMessage(number))
        return true;
    return QObject::event(event);
}

bool TAppIni::HandleMessage(int)
{
    return false;
}

void TAppIni::StartUp()
{
    ShowSplash();
}

void TAppIni::DoStart()
{
    if (OnStart)
        OnStart(this);
}

bool TAppIni::QueryTerminate()
{
    bool canTerminate = true;
    if (OnTerminate)
        OnTerminate(this, canTerminate);
    return canTerminate;
}

bool TAppIni::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FOwner) {
        if (event->type() == QEvent::Show && !FStarted) {
            Loaded();
        } else if (event->type() == QEvent::Close && !ApplicationMayTerminate()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TAppIni::StartTimer1(int milliseconds)
{
    FTimer1.start(milliseconds, this);
}

void TAppIni::StopTimer1()
{
    FTimer1.stop();
}

void TAppIni::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == FTimer1.timerId()) {
        StopTimer1();
        ReleaseCurrentForm();
        return;
    }
    QObject::timerEvent(event);
}

QWidget* TAppIni::CurrentForm() const
{
    return FCurrentForm;
}

THelpViewer* TAppIni::HelpViewer() const
{
    return FHelpViewer;
}

void TAppIni::SetCurrentForm(QWidget* form)
{
    FCurrentForm = form;
}

void TAppIni::ReleaseCurrentForm()
{
    QWidget* form = FCurrentForm;
    FCurrentForm = nullptr;
    if (!form)
        return;
    // A modal form belongs to the code that runs its dialog; ending it hands control back there.
    auto* dialog = qobject_cast<QDialog*>(form);
    if (dialog && dialog->isModal() && dialog->isVisible()) {
        dialog->done(QDialog::Rejected);
        return;
    }
    form->hide();
    form->deleteLater();
}

void TAppIni::PaintAbout(QWidget* form, QPainter& painter) const
{
    painter.drawPixmap(0, 0, BitMap);
    if (!form->windowFlags().testFlag(Qt::FramelessWindowHint))
        return;
    painter.setFont(AboutFont);
    painter.setPen(AboutColor);
    const QFontMetrics metrics(AboutFont);
    const int top = form->height() - metrics.height() - 2;
    painter.drawText(8, top + metrics.ascent(), AboutText);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, form->width() - 1, form->height() - 1);
}

void TAppIni::ShowSplash()
{
    if (FCurrentForm)
        return;
    auto* form = new TAboutForm([this](QWidget* w, QPainter& p) { PaintAbout(w, p); }, false, FOwner);
    form->setObjectName(QStringLiteral("StartupScreen"));
    SetCurrentForm(form);
    form->show();
    StartTimer1(2000);
}

void TAppIni::ShowAbout()
{
    if (FCurrentForm)
        return;
    QPointer<TAboutForm> form
        = new TAboutForm([this](QWidget* w, QPainter& p) { PaintAbout(w, p); }, true, FOwner);
    form->CloseButton()->setText(LangFiler().CommonText(QStringLiteral("Close")));
    form->OnClick = [this, form] {
        OpenHomePage();
        if (form)
            form->accept();
    };
    SetCurrentForm(form);
    form->exec();
    if (FCurrentForm == form)
        FCurrentForm = nullptr;
    delete form.data();
}

void TAppIni::OpenHomePage()
{
    const QString homePage = LangFiler().CommonText(QStringLiteral("HomePage"));
    if (!homePage.isEmpty())
        RunProgram(QStringLiteral("iexplore"), homePage);
}

void TAppIni::RunProgram(const QString& program, const QString& parameters)
{
    ExecuteProgram(program, parameters);
}

QString TAppIni::ResolvedHelpFile() const
{
    const QString name = TApplication::HelpFile();
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    return QDir(ProgramFolder).filePath(name);
}

THelpViewer* TAppIni::OpenHelpViewer()
{
    if (!FHelpViewer) {
        FHelpViewer = new THelpViewer(FOwner);
        FHelpViewer->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    try {
        FHelpViewer->OpenFile(ResolvedHelpFile());
    } catch (const EHelpFileError& error) {
        MessageBox::error(QString::fromUtf8(error.what()), FOwner);
        return nullptr;
    }
    return FHelpViewer;
}

void TAppIni::HelpOnActiveControl()
{
    QWidget* control = QApplication::focusWidget();
    if (!control)
        return;
    // Inner parts of a control (the viewport of a grid, the edit of a combo box) carry no help of
    // their own: the nearest widget up to the window that carries some answers.
    for (QWidget* w = control; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        const QString keyword = w->property("helpKeyword").toString();
        if (!keyword.isEmpty()) {
            ShowHelpKeyword(keyword);
            return;
        }
        const int context = w->property("helpContext").toInt();
        if (context != 0) {
            ShowHelpContext(context);
            return;
        }
    }
    ShowHelpKeyword(QString());
}

void TAppIni::ShowHelpKeyword(const QString& keyword)
{
    if (keyword.isEmpty()) {
        ShowHelpIndex();
        return;
    }
    if (THelpViewer* viewer = OpenHelpViewer())
        viewer->ShowKeyword(keyword);
}

void TAppIni::ShowHelpContext(int context)
{
    if (context == 0) {
        ShowHelpIndex();
        return;
    }
    if (THelpViewer* viewer = OpenHelpViewer())
        viewer->ShowContext(context);
}

void TAppIni::ShowHelpContents()
{
    if (THelpViewer* viewer = OpenHelpViewer())
        viewer->ShowContents();
}

void TAppIni::ShowHelpIndex()
{
    if (THelpViewer* viewer = OpenHelpViewer())
        viewer->ShowIndex();
}

void TAppIni::SelectHelpFile()
{
    THelpFileDialog dialog(FOwner);
    QDir folder(ProgramFolder);
    // The folder's own order; names match without regard to case, as "*.HLP" does elsewhere.
    dialog.SetFiles(folder.entryList({QStringLiteral("*.hlp")}, QDir::Files, QDir::Unsorted));
    if (dialog.exec() == QDialog::Accepted)
        TApplication::SetHelpFile(ToForwardSlashes(ProgramFolder) + QLatin1Char('/') + dialog.FileName());
}
