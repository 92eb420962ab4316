#include "framework/ShortCutText.h"
#include "framework/TLangFiler.h"
#include "tests/framework/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

class LangFilerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        LangFiler().SetFilePrefix(dir.filePath(QStringLiteral("L_vigilo.")));
        LangFiler().Reset();
    }
    void TearDown() override
    {
        LangFiler().SetFilePrefix(QString());
        LangFiler().Reset();
    }

    void writeFile(const QString& code, const QByteArray& bytes)
    {
        QFile file(dir.filePath(QStringLiteral("L_vigilo.") + code));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readFile(const QString& code)
    {
        QFile file(dir.filePath(QStringLiteral("L_vigilo.") + code));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(LangFilerTest, BuiltInWordsAndDefaults)
{
    EXPECT_EQ(LangFiler().LanguageCode(), "us");
    EXPECT_EQ(LangFiler().CommonText("Close"), "Close");
    EXPECT_EQ(LangFiler().CommonText("SaveFirst"), "Save %s First?");
    EXPECT_EQ(LangFiler().CommonText("Unknown"), "");
    EXPECT_EQ(LangFiler().Strings().size(), 12); // the home page is empty and so not stored

    EXPECT_EQ(LangText("StartUpDialog.Normal", "Normal"), "Normal");
    EXPECT_EQ(LangFiler().Value("startupdialog.normal"), "Normal");
    LangFiler().SetValue("StartUpDialog.Normal", "Klein");
    EXPECT_EQ(LangText("StartUpDialog.Normal", "Normal"), "Klein");
    // An empty default stores nothing; an empty value removes the entry.
    EXPECT_EQ(LangFiler().TextOrDefault("Nothing.Here", ""), "");
    EXPECT_TRUE(LangFiler().Strings().filter("Nothing.Here").isEmpty());
    LangFiler().SetValue("STARTUPDIALOG.NORMAL", "");
    EXPECT_EQ(LangFiler().Value("StartUpDialog.Normal"), "");
}

TEST_F(LangFilerTest, ReadsTheFileByItsRules)
{
    writeFile("de",
        "CommonStr.Cancel=Abbrechen\r\n"
        "commonstr.cancel=Second\n"
        "CommonStr.OK=\r"
        "Form.Label.Caption=a=b\r\n"
        "a line without equals\n"
        "\n"
        "Form.Edit .Hint= x \r\n"
        "Form.Close.Caption=Schlie\xc3\x9f"
        "en\r\n");
    LangFiler().SetLanguage("de");

    EXPECT_EQ(LangFiler().LanguageCode(), "de");
    const struct {
        const char* name;
        QString value;
    } cases[] = {
        {"commonstr.cancel", "Abbrechen"}, // case does not count, first line wins
        {"CommonStr.OK", "OK"}, // empty in the file: built-in value added
        {"Form.Label.Caption", "a=b"}, // value may hold "="
        {"Form.Edit .Hint", " x "}, // blanks belong to name and value
        {"Form.Edit.Hint", ""}, //
        {"a line without equals", ""}, // never found
        {"Form.Close.Caption", "Schließen"}, // UTF-8
        {"CommonStr.Close", "Close"}, // missing built-in added
    };
    for (const auto& c : cases)
        EXPECT_EQ(LangFiler().Value(c.name), c.value) << c.name;
    EXPECT_TRUE(LangFiler().Strings().contains("a line without equals"));
}

TEST_F(LangFilerTest, FallsBackToUsAndToBuiltIns)
{
    writeFile("us", "Form.Label.Caption=From us\r\n");
    writeFile("eng", "Form.Label.Caption=From eng\r\n");
    const struct {
        const char* code;
        const char* used;
        const char* caption;
    } cases[] = {
        {"de", "us", "From us"}, // no file for de
        {"english", "eng", "From eng"}, // first three characters
        {"../", "us", "From us"}, // a code never leaves the folder
        {"", "us", "From us"},
    };
    for (const auto& c : cases) {
        LangFiler().SetLanguage(c.code);
        EXPECT_EQ(LangFiler().LanguageCode(), c.used) << c.code;
        EXPECT_EQ(LangFiler().Value("Form.Label.Caption"), c.caption) << c.code;
        EXPECT_EQ(LangFiler().CommonText("OK"), "OK") << c.code;
    }

    QFile::remove(dir.filePath("L_vigilo.us"));
    LangFiler().SetLanguage("de");
    EXPECT_EQ(LangFiler().LanguageCode(), "us");
    EXPECT_EQ(LangFiler().Value("Form.Label.Caption"), "");
    EXPECT_EQ(LangFiler().Strings().size(), 12);
}

TEST_F(LangFilerTest, UnreadableOrForeignFilesNeverStopTheProgram)
{
    // A folder in place of the file cannot be read: the built-in words remain.
    ASSERT_TRUE(QDir(dir.path()).mkdir("L_vigilo.fr"));
    LangFiler().SetLanguage("fr");
    EXPECT_EQ(LangFiler().CommonText("Cancel"), "Cancel");

    // A file of the old single-byte code page still reads.
    writeFile("nl",
        "CommonStr.Close=Schlie\xdf"
        "en\r\n");
    LangFiler().SetLanguage("nl");
    EXPECT_EQ(LangFiler().CommonText("Close"), "Schließen");
}

TEST_F(LangFilerTest, SaveWritesEverythingSortedAndReadsBackUnchanged)
{
    writeFile("de",
        "zeta=last\r\nAlpha=first\r\nno equals\r\nForm.Close.Caption=Schlie\xc3\x9f"
        "en\r\n");
    LangFiler().SetLanguage("de");
    LangFiler().SetValue("Form.Label.Caption", "two\nlines"); // no line breaks in a value
    LangFiler().SaveLanguage();

    const QByteArray bytes = readFile("de");
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(lines.first(), "Alpha=first\r");
    EXPECT_EQ(lines.at(lines.size() - 2), "zeta=last\r");
    EXPECT_TRUE(bytes.contains("CommonStr.Cancel=Cancel\r\nCommonStr.Clear=Clear\r\n"));
    EXPECT_TRUE(bytes.contains("Form.Label.Caption=two lines\r\n"));
    EXPECT_TRUE(bytes.contains("no equals\r\n"));

    const QStringList saved = LangFiler().Strings();
    LangFiler().Reset();
    LangFiler().SetLanguage("de");
    QStringList sortedBefore = saved;
    sortedBefore.sort(Qt::CaseInsensitive);
    QStringList reread = LangFiler().Strings();
    reread.sort(Qt::CaseInsensitive);
    EXPECT_EQ(reread, sortedBefore);
}

TEST_F(LangFilerTest, FailedWriteThrowsAndKeepsWhatIsThere)
{
    // The file's place is taken by a folder: the write fails with the path in its message.
    ASSERT_TRUE(QDir(dir.path()).mkdir("L_vigilo.us"));
    ASSERT_TRUE(QFile(dir.filePath("L_vigilo.us/keep")).open(QIODevice::WriteOnly));
    try {
        LangFiler().SaveLanguage();
        FAIL() << "no error";
    } catch (const ELangFileError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(dir.filePath("L_vigilo.us")));
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("L_vigilo.us/keep")));
}

TEST(ShortCutText, WritesAndReadsTheFileNotation)
{
    const struct {
        QKeySequence key;
        const char* text;
    } cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_F), "Ctrl+F"},
        {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_Delete), "Shift+Ctrl+Alt+Del"},
        {QKeySequence(Qt::Key_F12), "F12"},
        {QKeySequence(Qt::CTRL | Qt::Key_7), "Ctrl+7"},
        {QKeySequence(Qt::Key_Backspace), "BkSp"},
        {QKeySequence(Qt::ALT | Qt::Key_PageDown), "Alt+PgDn"},
        {QKeySequence(Qt::Key_Return), "Enter"},
        {QKeySequence(Qt::Key_Insert), "Ins"},
        {QKeySequence(), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortCutToText(c.key), c.text);
        EXPECT_EQ(TextToShortCut(c.text), c.key) << c.text;
    }
    // Keys outside the list read back to themselves; reading ignores case.
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::Key_Enter),
             QKeySequence(Qt::SHIFT | Qt::Key_Comma), QKeySequence(Qt::Key_F24)})
        EXPECT_EQ(TextToShortCut(ShortCutToText(key)), key) << ShortCutToText(key).toStdString();
    EXPECT_EQ(TextToShortCut("ctrl+f"), QKeySequence(Qt::CTRL | Qt::Key_F));
    for (const char* bad : {"Ctrl+", "Ctrl+Foo", "F99", "F0", "Hyper+A", "A+B"})
        EXPECT_TRUE(TextToShortCut(bad).isEmpty()) << bad;
}

} // namespace
