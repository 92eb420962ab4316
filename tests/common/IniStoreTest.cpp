#include "common/IniStore.h"

#include <climits>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

class IniStoreTest : public ::testing::Test
{
protected:
    QString path(const QString& name = QStringLiteral("vigilo.ini")) const { return dir.filePath(name); }

    void writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("vigilo.ini")) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const QString& name = QStringLiteral("vigilo.ini")) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

const QByteArray handMadeFile = "name=before any section\n"
                                "\n"
                                "  ; a comment\n"
                                "[ Connection ]\n"
                                "  UserName =  alice  \r\n"
                                "Language=\n"
                                "DoLogon=\n"
                                "ConnectionString=Provider=SQLite;Data Source=a b.db\n"
                                "a line without equals\n"
                                "HexDollar=$1F\n"
                                "HexPrefix=0x1f\n"
                                "Negative=-12\n"
                                "Plus=+5\n"
                                "Wide=$FFFFFFFF\n"
                                "Smallest=-2147483648\n"
                                "TooLarge=2147483648\n"
                                "Letters=12a\n"
                                "Word=True\n"
                                "Two=2\n"
                                "Zero=0\n"
                                "[preferences]\n"
                                "IPAddressWidth=100\n"
                                "[CONNECTION]\n"
                                "Late=met in a second header\n";

TEST_F(IniStoreTest, ReadsTextsByCaseInsensitiveNamesWithEmptyValuesApartFromAbsentOnes)
{
    writeFile(handMadeFile);
    const IniStore store(path());
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"Connection", "UserName", "alice"},
        {"connection", "USERNAME", "alice"},
        {"Connection", "Language", ""}, // present and empty: not the default
        {"Connection", "Missing", "default"},
        {"Nowhere", "UserName", "default"},
        {"Connection", "ConnectionString", "Provider=SQLite;Data Source=a b.db"},
        {"Connection", "a line without equals", "default"},
        {"Connection", "name", "default"}, // before the first section: ignored
        {"Connection", "Late", "met in a second header"},
        {"Preferences", "ipaddresswidth", "100"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store.readString(
                      QString::fromLatin1(c.section), QString::fromLatin1(c.key), QStringLiteral("default")),
            QString::fromLatin1(c.expected))
            << c.section << "/" << c.key;
    }
    EXPECT_TRUE(store.valueExists(QStringLiteral("CONNECTION"), QStringLiteral("language")));
    EXPECT_FALSE(store.valueExists(QStringLiteral("Connection"), QStringLiteral("Missing")));
    EXPECT_TRUE(store.sectionExists(QStringLiteral("PREFERENCES")));
    EXPECT_FALSE(store.sectionExists(QStringLiteral("Nowhere")));
}

TEST_F(IniStoreTest, ReadsIntegersAndBooleansOrTheirDefaults)
{
    writeFile(handMadeFile);
    const IniStore store(path());
    const QString section = QStringLiteral("Connection");
    struct Case {
        const char* key;
        int expected; // with default 77
    };
    const Case integers[] = {
        {"HexDollar", 31},
        {"HexPrefix", 31},
        {"Negative", -12},
        {"Plus", 5},
        {"Wide", -1},
        {"Smallest", INT_MIN},
        {"TooLarge", 77},
        {"Letters", 77},
        {"Word", 77},
        {"Language", 77}, // empty
        {"Missing", 77},
    };
    for (const Case& c : integers)
        EXPECT_EQ(store.readInteger(section, QString::fromLatin1(c.key), 77), c.expected) << c.key;

    EXPECT_TRUE(store.readBool(section, QStringLiteral("DoLogon"), true)); // empty: the default
    EXPECT_FALSE(store.readBool(section, QStringLiteral("DoLogon"), false));
    EXPECT_TRUE(store.readBool(section, QStringLiteral("Word"), true)); // "True" is no integer
    EXPECT_FALSE(store.readBool(section, QStringLiteral("Word"), false));
    EXPECT_TRUE(store.readBool(section, QStringLiteral("Two"), false));
    EXPECT_FALSE(store.readBool(section, QStringLiteral("Zero"), true));
}

TEST_F(IniStoreTest, RewritesSectionsAndKeysInOrderWithoutCommentsOrBlankLines)
{
    writeFile("; settings of the monitor\n"
              "[Connection]\n"
              "UserName=alice\n"
              "\n"
              "; the password follows\n"
              "PASSWORD=310104828513\n"
              "RCT=1\n"
              "Language=de\n"
              "free text line\n"
              "\n"
              "[preferences]\n"
              "Form1Max=0\n");
    IniStore store(path());
    store.writeString(QStringLiteral("connection"), QStringLiteral("Password"), QStringLiteral("3107"));
    store.deleteKey(QStringLiteral("Connection"), QStringLiteral("rct"));
    store.writeString(QStringLiteral("Connection"), QStringLiteral("HDS"), QStringLiteral("0A1B2C3D"));
    store.writeInteger(QStringLiteral("Second"), QStringLiteral("Count"), -3);
    store.writeBool(QStringLiteral("First"), QStringLiteral("Flag"), true);
    store.writeBool(QStringLiteral("preferences"), QStringLiteral("form1max"), false);
    store.updateFile();

    EXPECT_EQ(readFile(),
        "[Connection]\n"
        "UserName=alice\n"
        "Password=3107\n"
        "Language=de\n"
        "free text line\n"
        "HDS=0A1B2C3D\n"
        "\n"
        "[preferences]\n"
        "form1max=0\n"
        "\n"
        "[Second]\n"
        "Count=-3\n"
        "\n"
        "[First]\n"
        "Flag=1\n"
        "\n");

    // What was written reads back the same after a new load.
    const IniStore reread(path());
    EXPECT_EQ(reread.readString(QStringLiteral("Connection"), QStringLiteral("Password"), {}), u"3107");
    EXPECT_FALSE(reread.valueExists(QStringLiteral("Connection"), QStringLiteral("RCT")));
    EXPECT_EQ(reread.readInteger(QStringLiteral("Second"), QStringLiteral("Count"), 0), -3);
    EXPECT_TRUE(reread.readBool(QStringLiteral("First"), QStringLiteral("Flag"), false));
}

TEST_F(IniStoreTest, KeepsOtherTextsAsTheyWereAndLineBreaksCannotForgeKeys)
{
    // A file from an earlier installation in the Windows code page, with CR LF line ends.
    writeFile("[Connection]\r\nHelpFile=C:\\Hilfe\\M\xFC"
              "ller.hlp\r\n");
    IniStore store(path());
    EXPECT_EQ(store.readString(QStringLiteral("Connection"), QStringLiteral("HelpFile"), {}),
        QStringLiteral(u"C:\\Hilfe\\Müller.hlp"));

    store.writeString(QStringLiteral("Connection"), QStringLiteral("UserName"),
        QStringLiteral(u"Zoë\n[Connection]\nPassword=forged"));
    store.updateFile();

    const IniStore reread(path());
    EXPECT_EQ(reread.readString(QStringLiteral("Connection"), QStringLiteral("HelpFile"), {}),
        QStringLiteral(u"C:\\Hilfe\\Müller.hlp"));
    EXPECT_EQ(reread.readString(QStringLiteral("Connection"), QStringLiteral("UserName"), {}),
        QStringLiteral(u"Zoë [Connection] Password=forged"));
    EXPECT_FALSE(reread.valueExists(QStringLiteral("Connection"), QStringLiteral("Password")));
}

TEST_F(IniStoreTest, WritesOwnerOnlyInPlaceOfTheOldFileAndThroughALink)
{
    writeFile("[Connection]\nUserName=alice\n", QStringLiteral("real.ini"));
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("real.ini")),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("real.ini")), path()));

    IniStore store(path());
    store.writeString(QStringLiteral("Connection"), QStringLiteral("Password"), QStringLiteral("31"));
    store.updateFile();

    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(readFile(QStringLiteral("real.ini")), "[Connection]\nUserName=alice\nPassword=31\n\n");
    struct stat info {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path(QStringLiteral("real.ini"))).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2)
        << "no temporary file may stay behind";
}

TEST_F(IniStoreTest, MissingFileReadsDefaultsAndIsCreatedOnWrite)
{
    IniStore store(path());
    EXPECT_EQ(
        store.readString(QStringLiteral("Connection"), QStringLiteral("Language"), QStringLiteral("us")),
        u"us");
    EXPECT_FALSE(QFile::exists(path()));
    store.writeString(QStringLiteral("Connection"), QStringLiteral("HDS"), QStringLiteral("0A1B2C3D"));
    store.updateFile();
    EXPECT_EQ(readFile(), "[Connection]\nHDS=0A1B2C3D\n\n");
}

TEST_F(IniStoreTest, EmptyFileNameReadsAndWritesNothing)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    IniStore store {QString()};
    store.writeString(QStringLiteral("Connection"), QStringLiteral("HDS"), QStringLiteral("0A1B2C3D"));
    EXPECT_NO_THROW(store.updateFile());
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QDir::setCurrent(previous);
}

TEST_F(IniStoreTest, FailureToWriteNamesTheFile)
{
    IniStore store(dir.filePath(QStringLiteral("no such folder/vigilo.ini")));
    store.writeString(QStringLiteral("Connection"), QStringLiteral("HDS"), QStringLiteral("0A1B2C3D"));
    try {
        store.updateFile();
        FAIL() << "no error";
    } catch (const IniStoreError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("no such folder/vigilo.ini")))
            << e.what();
    }
}

// Runs write() as a user that may not write into the settings folder: as an unprivileged user by
// taking the write permission away, as root in a child that becomes "nobody". Returns whether
// write() threw IniStoreError.
bool threwWithoutWriteAccess(const QString& folder, const std::function<void()>& write)
{
    const auto attempt = [&write] {
        try {
            write();
        } catch (const IniStoreError&) {
            return true;
        }
        return false;
    };
    if (::geteuid() != 0) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        const bool threw = attempt();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return threw;
    }
    QFile::setPermissions(
        folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped ? (attempt() ? 0 : 1) : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(IniStoreTest, FailedWriteKeepsTheOldFile)
{
    const QByteArray old = "[Connection]\nUserName=alice\n";
    writeFile(old);
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    IniStore store(path());
    store.writeString(QStringLiteral("Connection"), QStringLiteral("UserName"), QStringLiteral("bob"));

    EXPECT_TRUE(threwWithoutWriteAccess(dir.path(), [&store] { store.updateFile(); }));
    EXPECT_EQ(readFile(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
}

} // namespace
