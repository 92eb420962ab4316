// The server's menu and tooltip in the notification area, and errors that reach its event loop.
#include "server/TMainFormTray.h"

#include "platform/autostart/Autostart.h"
#include "server/TMainForm.h"
#include "server/TPulsarApplication.h"
#include "server/TTrayIcon.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

class MainFormTrayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_savedConfig = qgetenv("XDG_CONFIG_DIRS");
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_folder.filePath(QStringLiteral("xdg"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder.path()));
        m_form = std::make_unique<TMainForm>(
            m_folder.filePath(QStringLiteral("vigilo.ini")), QStringLiteral("/opt/vigilo/pulsar"));
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::green);
        m_tray = std::make_unique<TMainFormTray>(*m_form, QIcon(pixmap));
        QObject::connect(
            m_form.get(), &TMainForm::StatusShown, [this](const QString& text) { m_statuses << text; });
        app()->OnException
            = [this](QObject* sender, const QString& message) { m_form->AppException(sender, message); };
    }
    void TearDown() override
    {
        app()->OnException = nullptr;
        m_tray.reset();
        m_form.reset();
        qputenv("XDG_CONFIG_DIRS", m_savedConfig);
        qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
    }

    static TPulsarApplication* app() { return static_cast<TPulsarApplication*>(qApp); }
    QAction* item(const char* name)
    {
        return m_tray->PopupMenu1()->findChild<QAction*>(QString::fromLatin1(name));
    }

    // A right click on the icon; the menu is closed again from its own event loop.
    void rightClick()
    {
        QTimer::singleShot(0, m_tray->PopupMenu1(), [this] { m_tray->PopupMenu1()->close(); });
        m_tray->TrayIcon1()->TrayNotify(TTrayIcon::WM_RBUTTONDOWN);
        m_tray->TrayIcon1()->TrayNotify(TTrayIcon::WM_RBUTTONUP);
    }
    // Choosing an item: the command reaches the form as a posted call.
    void choose(const char* name)
    {
        item(name)->trigger();
        QCoreApplication::processEvents();
    }

    QTemporaryDir m_folder;
    QByteArray m_savedConfig;
    QByteArray m_savedRuntime;
    QStringList m_statuses;
    std::unique_ptr<TMainForm> m_form;
    std::unique_ptr<TMainFormTray> m_tray;
};

} // namespace

TEST_F(MainFormTrayTest, MenuHasTheFiveItemsInOrder)
{
    QStringList items;
    for (QAction* action : m_tray->PopupMenu1()->actions())
        items << action->objectName() + u'=' + action->text();
    EXPECT_EQ(items,
        QStringList({"Restart1=Restart", "Stop1=Stop", "Close1=Close", "AutoStart1=Auto Start",
            "StopAutoStart1=Stop Auto Start"}));
    EXPECT_EQ(m_tray->TrayIcon1()->PopupMenu(), m_tray->PopupMenu1());
    EXPECT_TRUE(m_tray->TrayIcon1()->Visible());
}

TEST_F(MainFormTrayTest, StatusBecomesTheWrappedHint)
{
    m_form->ShowStatus(QStringLiteral("The quick brown fox jumps over the lazy dog again!"));
    EXPECT_EQ(
        m_tray->TrayIcon1()->Hint(), QStringLiteral("The quick brown fox jumps over the lazy\r\ndog again!"));
    const QString unbroken(70, u'x');
    m_form->ShowStatus(unbroken);
    EXPECT_EQ(m_tray->TrayIcon1()->Hint(), unbroken.left(63));
}

TEST_F(MainFormTrayTest, AutoStartItemsFollowTheEntry)
{
    // No autostart folder: neither item.
    rightClick();
    EXPECT_FALSE(item("AutoStart1")->isEnabled());
    EXPECT_FALSE(item("StopAutoStart1")->isEnabled());

    ASSERT_TRUE(QDir().mkpath(Autostart::folder()));
    rightClick();
    EXPECT_TRUE(item("AutoStart1")->isEnabled());
    EXPECT_FALSE(item("StopAutoStart1")->isEnabled());

    choose("AutoStart1");
    QFile entry(Autostart::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("\nExec=\"/opt/vigilo/pulsar\"\n"));
    rightClick();
    EXPECT_FALSE(item("AutoStart1")->isEnabled());
    EXPECT_TRUE(item("StopAutoStart1")->isEnabled());

    choose("StopAutoStart1");
    EXPECT_FALSE(Autostart::exists());
}

TEST_F(MainFormTrayTest, ErrorOfACommandBecomesTheStatus)
{
    // The autostart folder cannot be made: a file stands where it belongs.
    ASSERT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral("xdg"))));
    QFile blocker(Autostart::folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    choose("AutoStart1");
    ASSERT_FALSE(m_statuses.isEmpty());
    EXPECT_TRUE(m_statuses.last().startsWith(QStringLiteral("Cannot write the autostart entry ")))
        << m_statuses.last().toStdString();
    EXPECT_TRUE(m_statuses.last().endsWith(QStringLiteral(" in TMainForm - Service Stopped")))
        << m_statuses.last().toStdString();
    EXPECT_EQ(m_tray->TrayIcon1()->Hint().left(32), QStringLiteral("Cannot write the autostart entry"));
}

TEST_F(MainFormTrayTest, RestartAndStopFromTheMenu)
{
    choose("Restart1");
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_form->TimerActive());
    choose("Stop1");
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_form->TimerActive());
    EXPECT_EQ(m_statuses.last(), QStringLiteral("Ping Server Stopped"));
}
