#include "framework/MessageBoxRecorder.h"
#include "framework/TAppIni.h"
#include "framework/TApplication.h"
#include "framework/THelpDocument.h"
#include "framework/THelpViewer.h"
#include "tests/framework/FrameworkTestSupport.h"
#include "tests/framework/QtPrinters.h"
#include "tests/support/TestPaths.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace
{

QString InstalledHelpFile()
{
    return TestPaths::program("vigilo.hlp");
}

// The heading of the topic at the top of the browser's visible area.
QString TopicOnTop(QTextBrowser* browser)
{
    QTextBlock block = browser->cursorForPosition(QPoint(4, 4)).block();
    while (block.isValid() && block.blockFormat().headingLevel() == 0)
        block = block.previous();
    return block.isValid() ? block.text() : QString();
}

TEST(HelpDocument, TheShippedHelpFileHasATopicForEveryKeywordOfTheForms)
{
    THelpDocument document;
    ASSERT_NO_THROW(document.Load(InstalledHelpFile()))
        << "the build copies the help file beside the programs";
    EXPECT_EQ(document.Title(), "Vigilo help");

    // The help keywords the client's forms carry, and a topic per window and dialog.
    for (const char* keyword :
        {"List", "General information", "Additional information", "Service", "View", "report", "Main window",
            "Menus", "Server menu", "Edit", "Add information", "Logon", "Database connection",
            "Select Helpfile", "About", "Pulsar", "Settings file", "Language files", "vigilo-admin"})
        EXPECT_EQ(document.AnchorForKeyword(keyword), keyword);
    EXPECT_EQ(document.AnchorForKeyword("REPORT"), "report");
    EXPECT_EQ(document.AnchorForKeyword("no such thing"), "");

    for (int context = 1; context <= 22; ++context)
        EXPECT_EQ(document.AnchorForContext(context), THelpDocument::ContextAnchor(context)) << context;
    EXPECT_EQ(document.AnchorForContext(999), "");
    EXPECT_TRUE(document.Keywords().filter("context-").isEmpty());
    EXPECT_TRUE(document.Keywords().contains("General information"));
    EXPECT_GE(document.Topics().size(), 20);
}

TEST(HelpDocument, RefusesWhatItCannotShowAndNamesTheFile)
{
    QTemporaryDir dir;
    const QString binary = dir.filePath("old.hlp");
    QFile file(binary);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("?_\x03\0\0\0<x>", 9));
    file.close();
    const struct {
        QString path;
        const char* says;
    } cases[] = {
        {dir.filePath("missing.hlp"), "does not exist"},
        {dir.path(), "is a folder"},
        {binary, "not an HTML help document"},
        {"", "No help file"},
    };
    for (const auto& c : cases) {
        THelpDocument document;
        try {
            document.Load(c.path);
            ADD_FAILURE() << "loaded " << c.path.toStdString();
        } catch (const EHelpFileError& error) {
            const QString message = QString::fromUtf8(error.what());
            EXPECT_TRUE(message.contains(c.says)) << message.toStdString();
            EXPECT_TRUE(message.contains(c.path)) << message.toStdString();
        }
    }
}

TEST(HelpViewer, OpensAtTheTopicOfAKeywordOrContext)
{
    THelpViewer viewer;
    viewer.OpenFile(InstalledHelpFile());
    auto* tabs = viewer.findChild<QTabWidget*>("TopicTabs");
    auto* tree = viewer.findChild<QTreeWidget*>("ContentsTree");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Vigilo help");
    EXPECT_GE(tree->topLevelItem(0)->childCount(), 15);

    EXPECT_TRUE(viewer.ShowKeyword("report"));
    EXPECT_TRUE(viewer.isVisible());
    QTest::qWait(20);
    EXPECT_EQ(TopicOnTop(viewer.Browser()), "View and print Reports");
    SaveScreenshot(&viewer, "framework-help-viewer.png");

    EXPECT_TRUE(viewer.ShowContext(14));
    QTest::qWait(20);
    EXPECT_EQ(TopicOnTop(viewer.Browser()), "Logon dialog");

    // An unknown keyword opens the index with the keyword typed in.
    EXPECT_FALSE(viewer.ShowKeyword("Gen"));
    EXPECT_EQ(tabs->currentWidget()->objectName(), "IndexPage");
    EXPECT_EQ(viewer.findChild<QLineEdit*>("IndexEdit")->text(), "Gen");
    EXPECT_EQ(viewer.findChild<QListWidget*>("IndexList")->currentItem()->text(), "General information");
    SaveScreenshot(&viewer, "framework-help-index.png");

    EXPECT_FALSE(viewer.ShowContext(999));
    EXPECT_EQ(tabs->currentWidget()->objectName(), "ContentsPage");
}

class HelpOperations : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QApplication::setQuitOnLastWindowClosed(false);
        owner.setObjectName("Form1");
        appIni = new TAppIni(&owner, {"/IniFile"});
        appIni->UseLanguage = false;
        appIni->UseHelp = false; // the tests choose the help file
        appIni->ProgramFolder = TestPaths::binDir();
    }
    void TearDown() override { TApplication::SetHelpFile(QString()); }

    QWidget owner;
    TAppIni* appIni;
    MessageBoxRecorder boxes;
};

TEST_F(HelpOperations, AMissingOrUnreadableHelpFileIsReportedByName)
{
    TApplication::SetHelpFile("/nonexistent/vigilo.hlp");
    appIni->ShowHelpContents();
    appIni->ShowHelpKeyword("List");
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_TRUE(boxes.texts().first().contains("/nonexistent/vigilo.hlp"));
    EXPECT_EQ(boxes.requests().first().icon, QMessageBox::Critical);
    EXPECT_TRUE(appIni->HelpViewer() == nullptr || !appIni->HelpViewer()->isVisible());

    // A name without folder is the file in the program's folder.
    boxes.clear();
    TApplication::SetHelpFile("vigilo.hlp");
    appIni->ShowHelpKeyword("List");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('\n').toStdString();
    ASSERT_NE(appIni->HelpViewer(), nullptr);
    EXPECT_EQ(appIni->HelpViewer()->CurrentAnchor(), "List");
}

TEST_F(HelpOperations, HelpOnTheFocusedControlUsesItsKeywordOrContext)
{
    TApplication::SetHelpFile(InstalledHelpFile());
    auto* layout = new QVBoxLayout(&owner);
    auto* list = new QWidget(&owner);
    list->setProperty("helpKeyword", "View");
    auto* combo = new QComboBox(list); // no keyword of its own: its container's counts
    auto* edit = new QLineEdit(&owner);
    edit->setProperty("helpContext", 13);
    auto* plain = new QLineEdit(&owner);
    layout->addWidget(list);
    layout->addWidget(edit);
    layout->addWidget(plain);
    owner.show();
    QApplication::setActiveWindow(&owner);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));

    const struct {
        QWidget* focus;
        const char* anchor;
    } cases[] = {{combo, "View"}, {edit, "context-13"}};
    for (const auto& c : cases) {
        owner.activateWindow();
        c.focus->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == c.focus; }, 2000));
        appIni->HelpOnActiveControl();
        ASSERT_NE(appIni->HelpViewer(), nullptr);
        EXPECT_EQ(appIni->HelpViewer()->CurrentAnchor(), c.anchor) << boxes.texts().join('\n').toStdString();
    }

    // No help at all: the index.
    owner.activateWindow();
    plain->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == plain; }, 2000));
    appIni->HelpOnActiveControl();
    EXPECT_EQ(appIni->HelpViewer()->findChild<QTabWidget*>("TopicTabs")->currentWidget()->objectName(),
        "IndexPage");
    EXPECT_TRUE(boxes.texts().isEmpty());
}

} // namespace
