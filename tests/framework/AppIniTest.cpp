#include "framework/TAppIni.h"

#include "common/IniStore.h"
#include "common/MachineIdentity.h"
#include "framework/MessageBoxRecorder.h"
#include "framework/TApplication.h"
#include "framework/TLangFiler.h"
#include "tests/framework/FrameworkTestSupport.h"
#include "tests/framework/QtPrinters.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace
{

// Records the start step and the programs it would start, instead of starting them.
class RecordingAppIni : public TAppIni
{
public:
    RecordingAppIni(QWidget* owner, const QStringList& arguments, QStringList& log)
        : TAppIni(owner, arguments)
        , FLog(log)
    {
    }
    QList<QPair<QString, QString>> Programs;

protected:
    void StartUp() override
    {
        FLog.append("step");
        TAppIni::StartUp();
    }
    void RunProgram(const QString& program, const QString& parameters) override
    {
        Programs.append({program, parameters});
    }

private:
    QStringList& FLog;
};

class AppIniTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
        LangFiler().SetFilePrefix(dir.filePath("L_vigilo."));
        LangFiler().Reset();
        TApplication::SetHelpFile(QString());
        iniPath = dir.filePath("my settings.ini");
        owner = std::make_unique<QWidget>();
        owner->setObjectName("Form1");
    }
    void TearDown() override
    {
        owner.reset();
        LangFiler().SetFilePrefix(QString());
        LangFiler().Reset();
    }

    RecordingAppIni* makeAppIni(QStringList arguments = {})
    {
        if (arguments.isEmpty())
            arguments = QStringList {"-x", "/IniFile", iniPath};
        return new RecordingAppIni(owner.get(), arguments, log);
    }
    void writeIni(const QByteArray& text)
    {
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString readIni() const
    {
        QFile file(iniPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir dir;
    QString iniPath;
    std::unique_ptr<QWidget> owner;
    QStringList log;
    MessageBoxRecorder boxes;
};

TEST(AppIniSettingsPath, FromTheCommandLineOrBesideTheProgram)
{
    const struct {
        QStringList arguments;
        const char* program;
        const char* path;
    } cases[] = {
        {{"/IniFile", "a.ini"}, "/opt/v/vigilo", "a.ini"},
        {{"-x", "/inifile", "/tmp/my settings.ini", "/IniFile", "other.ini"}, "/opt/v/vigilo",
            "/tmp/my settings.ini"},
        {{"/INIFILE"}, "/opt/v/vigilo", ""}, // last argument: no file at all
        {{}, "/opt/v/vigilo", "/opt/v/vigilo.ini"},
        {{"IniFile", "x"}, "/opt/v/vigilo.exe", "/opt/v/vigilo.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TAppIni::SettingsPath(c.arguments, c.program), c.path)
            << c.arguments.join(' ').toStdString();
}

TEST_F(AppIniTest, StartStepThenStartEventOnceTheWindowIsShown)
{
    RecordingAppIni* appIni = makeAppIni();
    int starts = 0;
    appIni->OnStart = [&](QObject* sender) {
        EXPECT_EQ(sender, appIni);
        log.append("start");
        ++starts;
        // The start-up screen is up when the program starts.
        EXPECT_TRUE(appIni->CurrentForm() && appIni->CurrentForm()->isVisible());
    };
    appIni->Loaded();
    appIni->Loaded();
    EXPECT_TRUE(log.isEmpty()); // posted, not sent

    owner->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts > 0; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(log, QStringList({"step", "start"}));
    EXPECT_EQ(starts, 1);

    QWidget* splash = appIni->CurrentForm();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->size(), QSize(400, 100));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    SaveScreenshot(splash, "framework-startup-screen.png");

    appIni->ShowAbout(); // the start-up screen is still up: nothing happens
    EXPECT_EQ(appIni->CurrentForm(), splash);
    EXPECT_TRUE(boxes.requests().isEmpty());

    // It goes by itself after its two seconds.
    EXPECT_TRUE(QTest::qWaitFor([&] { return appIni->CurrentForm() == nullptr; }, 5000));

    // Without an explicit call, the first showing of the window reads the settings.
    QWidget other;
    QStringList otherLog;
    auto* second = new RecordingAppIni(&other, {"/IniFile"}, otherLog);
    EXPECT_FALSE(second->Started());
    other.show();
    EXPECT_TRUE(second->Started());
}

TEST_F(AppIniTest, WritesTheSettingsBackByItsRules)
{
    writeIni("; written by hand\n"
             "[Connection]\n"
             "ConnectionString=abc\n"
             "RCT=1\n"
             "HelpFile=C:\\Help\\vigilo.hlp\n"
             "Language=de\n"
             "HDS=bogus\n"
             "\n"
             "[preferences]\n"
             "; widths\n"
             "IPAddressWidth=99\n");
    RecordingAppIni* appIni = makeAppIni();
    appIni->UseLanguage = false;
    appIni->Loaded();
    EXPECT_EQ(TApplication::HelpFile(), "C:/Help/vigilo.hlp");
    EXPECT_TRUE(appIni->PlainCredentials());
    appIni->IniFile().writeInteger("preferences", "DeviceNameWidth", 150);
    owner.reset();

    const QString text = readIni();
    EXPECT_FALSE(text.contains(';')) << text.toStdString();
    EXPECT_FALSE(text.contains("RCT"));
    EXPECT_TRUE(text.contains("HDS=" + MachineIdentity() + "\n"));
    EXPECT_FALSE(text.contains("bogus"));
    EXPECT_TRUE(text.contains("HelpFile=C:\\Help\\vigilo.hlp\n"));
    EXPECT_TRUE(text.contains("Language=de\n")); // translation off: left as it was
    EXPECT_TRUE(text.contains("ConnectionString=abc\n"));
    EXPECT_TRUE(text.contains("IPAddressWidth=99\nDeviceNameWidth=150\n"));
    EXPECT_TRUE(QDir(dir.path()).entryList({"L_*"}).isEmpty()); // no language file either
    EXPECT_TRUE(boxes.requests().isEmpty());
}

TEST_F(AppIniTest, WithTranslationOnTheLanguageInUseAndItsFileAreWritten)
{
    writeIni("[Connection]\nLanguage=de\n");
    RecordingAppIni* appIni = makeAppIni();
    appIni->DefaultHelpFile = "vigilo.hlp";
    appIni->Loaded();
    EXPECT_EQ(TApplication::HelpFile(), "vigilo.hlp"); // absent: the default help file
    EXPECT_EQ(LangFiler().LanguageCode(), "us"); // no file for de
    TApplication::SetHelpFile("/opt/help/other.hlp");
    owner.reset();

    const QString text = readIni();
    EXPECT_TRUE(text.contains("Language=us\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("HelpFile=\\opt\\help\\other.hlp\n"));
    QFile language(dir.filePath("L_vigilo.us"));
    ASSERT_TRUE(language.open(QIODevice::ReadOnly));
    EXPECT_TRUE(language.readAll().startsWith("CommonStr.About=About\r\nCommonStr.Add=Add\r\n"));
}

TEST_F(AppIniTest, NothingIsWrittenWithoutAPathOrBeforeTheSettingsWereRead)
{
    writeIni("[Connection]\nRCT=1\n");
    const QString before = readIni();

    // "/IniFile" as the last argument: no settings file at all.
    RecordingAppIni* noFile = makeAppIni({"/IniFile"});
    EXPECT_TRUE(noFile->IniFile().fileName().isEmpty());
    noFile->Loaded();
    delete noFile;

    // Destroyed before its settings were read: the file stays as it is.
    delete makeAppIni();
    EXPECT_EQ(readIni(), before);
    EXPECT_TRUE(boxes.requests().isEmpty());
}

TEST_F(AppIniTest, TheTerminateAnswerKeepsTheWindowOpen)
{
    RecordingAppIni* appIni = makeAppIni();
    bool answer = false;
    int asked = 0;
    appIni->OnTerminate = [&](QObject* sender, bool& canTerminate) {
        EXPECT_EQ(sender, appIni);
        EXPECT_TRUE(canTerminate);
        canTerminate = answer;
        ++asked;
    };
    owner->show();
    EXPECT_EQ(TAppIni::Registered(), appIni);
    EXPECT_FALSE(owner->close());
    EXPECT_TRUE(owner->isVisible());
    answer = true;
    EXPECT_TRUE(owner->close());
    EXPECT_FALSE(owner->isVisible());
    EXPECT_EQ(asked, 2);

    delete appIni;
    EXPECT_EQ(TAppIni::Registered(), nullptr);
    EXPECT_TRUE(TAppIni::ApplicationMayTerminate());
}

TEST_F(AppIniTest, AboutBoxClosesByItsButtonOrOpensTheHomePageOnAClick)
{
    RecordingAppIni* appIni = makeAppIni();
    appIni->AboutText = "Version 1.10";
    LangFiler().SetValue("CommonStr.Close", "Schließen");
    LangFiler().SetValue("CommonStr.HomePage", "http://localhost/home");

    QString caption;
    QRect place;
    WhenModal([&](QWidget* about) {
        auto* close = about->findChild<QPushButton*>("CloseButton");
        caption = close->text();
        place = close->geometry();
        EXPECT_EQ(appIni->CurrentForm(), about);
        QTest::mouseClick(close, Qt::LeftButton);
    });
    appIni->ShowAbout();
    EXPECT_EQ(caption, "Schließen");
    EXPECT_EQ(place, QRect(323, 73, 75, 25)); // 2 pixels from the right and bottom edges
    EXPECT_TRUE(appIni->Programs.isEmpty());
    EXPECT_EQ(appIni->CurrentForm(), nullptr);

    WhenModal([&](QWidget* about) {
        SaveScreenshot(about, "framework-about-box.png");
        QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(40, 40));
    });
    appIni->ShowAbout();
    ASSERT_EQ(appIni->Programs.size(), 1);
    EXPECT_EQ(appIni->Programs.first(), qMakePair(QString("iexplore"), QString("http://localhost/home")));

    // Without a home page a click only closes the box.
    LangFiler().SetValue("CommonStr.HomePage", "");
    WhenModal([](QWidget* about) { QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(40, 40)); });
    appIni->ShowAbout();
    EXPECT_EQ(appIni->Programs.size(), 1);
}

TEST_F(AppIniTest, SelectHelpFileListsTheFolderInLowerCase)
{
    QDir folder(dir.path());
    ASSERT_TRUE(folder.mkdir("program"));
    ASSERT_TRUE(folder.cd("program"));
    for (const char* name : {"b.hlp", "HELP.HLP", "notes.txt"})
        QFile(folder.filePath(name)).open(QIODevice::WriteOnly);
    ASSERT_TRUE(folder.mkdir("folder.hlp"));
    const QStringList found = folder.entryList({"*.hlp"}, QDir::Files, QDir::Unsorted);
    ASSERT_EQ(found.size(), 2);

    RecordingAppIni* appIni = makeAppIni();
    appIni->ProgramFolder = folder.path();
    TApplication::SetHelpFile("before.hlp");

    QStringList items;
    WhenModal([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Select Helpfile");
        EXPECT_EQ(dialog->size(), QSize(240, 116));
        auto* combo = dialog->findChild<QComboBox*>("FileCombo");
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        EXPECT_EQ(combo->currentIndex(), 0);
        SaveScreenshot(dialog, "framework-help-file-dialog.png");
        dialog->findChild<QPushButton*>("CancelButton")->click();
    });
    appIni->SelectHelpFile();
    EXPECT_EQ(items, QStringList({found.at(0).toLower(), found.at(1).toLower()}));
    EXPECT_EQ(TApplication::HelpFile(), "before.hlp");
    // The dialog's translation node ran while it was shown.
    EXPECT_EQ(LangFiler().Value("HelpFileDialog.InfoLabel.Caption"), "Select a helpfile");

    WhenModal([](QWidget* dialog) { dialog->findChild<QPushButton*>("OKButton")->click(); });
    appIni->SelectHelpFile();
    // The file keeps its real name, so that it opens.
    EXPECT_EQ(TApplication::HelpFile(), folder.path() + "/" + found.at(0));

    // No help file there: OK gives the bare folder, which the help viewer then reports.
    ASSERT_TRUE(QDir(dir.path()).mkdir("empty"));
    appIni->ProgramFolder = dir.filePath("empty");
    WhenModal([](QWidget* dialog) { dialog->findChild<QPushButton*>("OKButton")->click(); });
    appIni->SelectHelpFile();
    EXPECT_EQ(TApplication::HelpFile(), dir.filePath("empty") + "/");
}

TEST(AppIniEnvironment, UserNameFromTheFirstVariableSet)
{
    const QByteArray names[] = {"NWUsername", "Username", "USERNAME", "USER"};
    QList<QByteArray> saved;
    for (const QByteArray& name : names)
        saved.append(qgetenv(name.constData()));
    const struct {
        const char* values[4];
        const char* expected;
    } cases[] = {
        {{"nw", "mixed", "upper", "user"}, "nw"},
        {{"", "mixed", "upper", "user"}, "mixed"},
        {{"", "", "upper", "user"}, "upper"},
        {{"", "", "", "user"}, "user"},
        {{"", "", "", ""}, ""},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 4; ++i)
            qputenv(names[i].constData(), c.values[i]);
        EXPECT_EQ(TAppIni::EnvironmentUserName(), c.expected);
    }
    for (int i = 0; i < 4; ++i)
        qputenv(names[i].constData(), saved.at(i));
}

TEST(AppIniPicture, DefaultPictureIsFramedWhiteWithTheTitleInNavy)
{
    const QImage picture = TAppIni::DefaultPicture("Vigilo").toImage();
    ASSERT_EQ(picture.size(), QSize(400, 100));
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(picture.pixelColor(399, 99), QColor(Qt::black));
    EXPECT_EQ(picture.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(picture.pixelColor(300, 80), QColor(Qt::white));
    // The title, anti-aliased: navy strokes in the top left corner only.
    int navy = 0;
    int inked = 0;
    for (int y = 1; y < 99; ++y) {
        for (int x = 1; x < 399; ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            navy += pixel == QColor(0, 0, 128);
            if (pixel != QColor(Qt::white)) {
                ++inked;
                EXPECT_TRUE(x >= 10 && y >= 10 && x < 120 && y < 40) << x << "," << y;
                EXPECT_GE(pixel.blue(), pixel.red());
            }
        }
    }
    EXPECT_GT(navy, 5);
    EXPECT_GT(inked, 50);
}

} // namespace
