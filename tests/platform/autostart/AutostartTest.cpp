#include "platform/autostart/Autostart.h"
#include "platform/autostart/AutostartError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

class AutostartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        m_saved = qgetenv("XDG_CONFIG_DIRS");
        m_hadValue = qEnvironmentVariableIsSet("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_config.path() + QStringLiteral(":/etc/xdg")));
    }
    void TearDown() override
    {
        if (m_hadValue)
            qputenv("XDG_CONFIG_DIRS", m_saved);
        else
            qunsetenv("XDG_CONFIG_DIRS");
    }

    QString autostartFolder() const { return m_config.filePath(QStringLiteral("autostart")); }

    static QString readEntry()
    {
        QFile file(Autostart::entryPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_config;
    QByteArray m_saved;
    bool m_hadValue = false;
};

} // namespace

TEST_F(AutostartTest, FolderIsInTheFirstAbsoluteConfigDir)
{
    const struct {
        const char* value;
        bool set;
        const char* folder;
    } cases[] = {
        {nullptr, false, "/etc/xdg/autostart"},
        {"", true, "/etc/xdg/autostart"},
        {"/opt/conf:/etc/xdg", true, "/opt/conf/autostart"},
        {"relative/conf:/opt/conf/", true, "/opt/conf/autostart"},
        {"::/srv/xdg", true, "/srv/xdg/autostart"},
    };
    for (const auto& c : cases) {
        if (c.set)
            qputenv("XDG_CONFIG_DIRS", c.value);
        else
            qunsetenv("XDG_CONFIG_DIRS");
        EXPECT_EQ(Autostart::folder(), QString::fromLatin1(c.folder)) << (c.value ? c.value : "(unset)");
        EXPECT_EQ(
            Autostart::entryPath(), QString::fromLatin1(c.folder) + QStringLiteral("/PulsarService.desktop"));
    }
}

TEST_F(AutostartTest, WriteExistsRemove)
{
    EXPECT_FALSE(Autostart::writable()) << "the folder does not exist yet";
    ASSERT_TRUE(QDir().mkpath(autostartFolder()));
    EXPECT_TRUE(Autostart::writable());
    EXPECT_FALSE(Autostart::exists());

    Autostart::write(QStringLiteral("/opt/vigilo tools/pulsar"));
    EXPECT_TRUE(Autostart::exists());
    const QString entry = readEntry();
    EXPECT_TRUE(entry.startsWith(QStringLiteral("[Desktop Entry]\n"))) << entry.toStdString();
    EXPECT_TRUE(entry.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=\"/opt/vigilo tools/pulsar\"\n")))
        << entry.toStdString();
    EXPECT_TRUE(QFile::permissions(Autostart::entryPath()) & QFile::ReadOther);

    // Writing again replaces the entry.
    Autostart::write(QStringLiteral("/usr/bin/pulsar"));
    EXPECT_TRUE(readEntry().contains(QStringLiteral("\nExec=\"/usr/bin/pulsar\"\n")));

    EXPECT_TRUE(Autostart::remove());
    EXPECT_FALSE(Autostart::exists());
    EXPECT_FALSE(Autostart::remove());
}

TEST_F(AutostartTest, ExecLineQuotesAndEscapes)
{
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/usr/bin/pulsar", R"("/usr/bin/pulsar")"},
        {"/opt/my tools/pulsar", R"("/opt/my tools/pulsar")"},
        {R"(/opt/a"b/pulsar)", R"("/opt/a\\"b/pulsar")"},
        {"/opt/$HOME/`x`/pulsar", R"("/opt/\\$HOME/\\`x\\`/pulsar")"},
        {R"(/opt/back\slash/pulsar)", R"("/opt/back\\\\slash/pulsar")"},
        {"/opt/100%/pulsar", R"("/opt/100%%/pulsar")"},
        {"/opt/line\nbreak/pulsar", R"("/opt/line\nbreak/pulsar")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Autostart::execLine(QString::fromUtf8(c.path)), QString::fromUtf8(c.exec)) << c.path;
}

TEST_F(AutostartTest, WriteFailureNamesTheFileAndWritesNothing)
{
    // A file where the folder should be: nothing can be created in it, not even by root.
    QFile blocker(autostartFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(Autostart::writable());
    try {
        Autostart::write(QStringLiteral("/usr/bin/pulsar"));
        FAIL() << "no error";
    } catch (const AutostartError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(Autostart::entryPath())) << error.what();
    }
    EXPECT_FALSE(Autostart::exists());
}
