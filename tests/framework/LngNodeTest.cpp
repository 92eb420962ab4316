#include "framework/ShortCutText.h"
#include "framework/TLangFiler.h"
#include "framework/TLngNode.h"
#include "tests/framework/QtPrinters.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace
{

// A small form with one control of each kind the node treats differently.
struct TestForm {
    QDialog form;
    QLabel* nameLabel;
    QLineEdit* nameEdit;
    QPushButton* okButton;
    QCheckBox* keepCheck;
    QRadioButton* choiceRadio;
    QGroupBox* optionsGroup;
    QLabel* fixedLabel;
    QLabel* looseLabel;
    QTabWidget* tabs;
    QComboBox* dataCombo;
    QComboBox* sortCombo;
    QMenu* fileMenu;
    QAction* findAction;
    QAction* plainAction;

    explicit TestForm(const QString& name = QStringLiteral("TestForm"))
    {
        form.setObjectName(name);
        form.setWindowTitle("Test form");
        auto* layout = new QVBoxLayout(&form);
        auto* bar = new QMenuBar(&form);
        bar->setObjectName("menubar");
        layout->setMenuBar(bar);
        fileMenu = new QMenu("&File", bar);
        fileMenu->setObjectName("FileMenu");
        bar->addMenu(fileMenu);
        findAction = new QAction("&Find", &form);
        findAction->setObjectName("FindAction");
        findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
        plainAction = new QAction("&Plain", &form);
        plainAction->setObjectName("PlainAction");
        fileMenu->addAction(findAction);
        fileMenu->addSeparator();
        fileMenu->addAction(plainAction);

        optionsGroup = add<QGroupBox>(layout, "OptionsGroup");
        optionsGroup->setTitle("Options");
        auto* groupLayout = new QVBoxLayout(optionsGroup);
        nameLabel = add<QLabel>(groupLayout, "NameLabel", optionsGroup);
        nameLabel->setText("Name");
        nameEdit = add<QLineEdit>(groupLayout, "NameEdit", optionsGroup);
        nameEdit->setProperty("helpKeyword", "General information");
        okButton = add<QPushButton>(layout, "OKButton");
        okButton->setText("OK");
        okButton->setToolTip("Confirm");
        keepCheck = add<QCheckBox>(layout, "KeepCheck");
        keepCheck->setText("Keep");
        choiceRadio = add<QRadioButton>(layout, "ChoiceRadio");
        choiceRadio->setText("Choice");
        fixedLabel = add<QLabel>(layout, "FixedLabel");
        fixedLabel->setText("Fixed");
        fixedLabel->setProperty("tag", 1);
        looseLabel = add<QLabel>(layout, "");
        looseLabel->setText("Loose");
        tabs = add<QTabWidget>(layout, "Tabs");
        auto* page = new QWidget;
        page->setObjectName("FirstPage");
        tabs->addTab(page, "First");
        dataCombo = add<QComboBox>(layout, "DataCombo");
        dataCombo->addItems({"vigilo.hlp"});
        sortCombo = add<QComboBox>(layout, "SortCombo");
        sortCombo->addItems({"IPAddress", "DeviceName"});
        sortCombo->setProperty("translateItems", true);
    }

    template <typename W> W* add(QLayout* layout, const char* name, QWidget* parent = nullptr)
    {
        auto* widget = new W(parent ? parent : &form);
        widget->setObjectName(QString::fromLatin1(name));
        layout->addWidget(widget);
        return widget;
    }
};

class LngNodeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LangFiler().SetFilePrefix(dir.filePath("L_test."));
        LangFiler().Reset();
    }
    void TearDown() override
    {
        LangFiler().SetFilePrefix(QString());
        LangFiler().Reset();
    }
    // The node starts from a posted event.
    static void letNodesStart() { QCoreApplication::processEvents(); }

    QTemporaryDir dir;
};

TEST_F(LngNodeTest, ReportsTheTextsOfAFormItKnows)
{
    TestForm t;
    auto* node = new TLngNode(&t.form);
    int changes = 0;
    node->OnChange = [&](TLngNode* sender) {
        EXPECT_EQ(sender, node);
        ++changes;
    };
    EXPECT_FALSE(LangFiler().IsRegistered(node)); // nothing before the event loop runs
    letNodesStart();
    ASSERT_TRUE(LangFiler().IsRegistered(node));
    EXPECT_EQ(changes, 1);

    const QString loose = t.looseLabel->objectName();
    EXPECT_TRUE(loose.startsWith("QLabel")) << loose.toStdString();
    const struct {
        QString name;
        QString value;
    } reported[] = {
        {"TestForm.TestForm.Caption", "Test form"},
        {"TestForm.OptionsGroup.Caption", "Options"},
        {"TestForm.NameLabel.Caption", "Name"},
        {"TestForm.NameEdit.HelpKeyword", "General information"},
        {"TestForm.NameEdit.Hint", ""}, // empty texts are not reported
        {"TestForm.OKButton.Caption", "OK"},
        {"TestForm.OKButton.Hint", "Confirm"},
        {"TestForm.KeepCheck.Caption", "Keep"},
        {"TestForm.ChoiceRadio.Caption", ""}, // radio buttons: hint and keyword only
        {"TestForm.FixedLabel.Caption", ""}, // tagged: never reported
        {"TestForm." + loose + ".Caption", "Loose"},
        {"TestForm.FirstPage.Caption", "First"},
        {"TestForm.DataCombo.Items.0", ""}, // combo items are data unless marked
        {"TestForm.SortCombo.Items.1", "DeviceName"},
        {"TestForm.FileMenu.Caption", "&File"},
        {"TestForm.FindAction.Caption", "&Find"},
        {"TestForm.FindAction.ShortCut", "Ctrl+F"},
        {"TestForm.PlainAction.ShortCut", ""},
    };
    for (const auto& r : reported)
        EXPECT_EQ(LangFiler().Value(r.name), r.value) << r.name.toStdString();
    // Separators and Qt's inner parts contribute nothing.
    EXPECT_TRUE(LangFiler().Strings().filter("qt_").isEmpty());
    EXPECT_TRUE(LangFiler().Strings().filter("QAction").isEmpty());
}

TEST_F(LngNodeTest, TranslatesFromTheStoreAndAgainOnLanguageChange)
{
    QFile file(dir.filePath("L_test.de"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("TestForm.TestForm.Caption=Testformular\r\n"
               "TestForm.NameLabel.Caption=Nom\r\n"
               "TestForm.NameEdit.Hint=Saisir le nom\r\n"
               "TestForm.OKButton.Hint=Valider\r\n"
               "TestForm.FirstPage.Caption=Erste\r\n"
               "TestForm.SortCombo.Items.0=Adresse\r\n"
               "TestForm.FindAction.Caption=&Suchen\r\n"
               "TestForm.FindAction.ShortCut=Ctrl+Foo\r\n"
               "TestForm.PlainAction.ShortCut=Shift+F3\r\n");
    file.close();
    LangFiler().SetLanguage("de");

    TestForm t;
    t.form.setProperty("tag", 1); // the form keeps its caption, its controls do not
    new TLngNode(&t.form);
    letNodesStart();

    EXPECT_EQ(t.form.windowTitle(), "Test form");
    EXPECT_EQ(t.nameLabel->text(), "Nom");
    EXPECT_EQ(t.nameEdit->toolTip(), "Saisir le nom");
    EXPECT_EQ(t.okButton->toolTip(), "Valider");
    EXPECT_EQ(t.okButton->text(), "OK");
    EXPECT_EQ(t.tabs->tabText(0), "Erste");
    EXPECT_EQ(t.sortCombo->itemText(0), "Adresse");
    EXPECT_EQ(t.findAction->text(), "&Suchen");
    EXPECT_TRUE(t.findAction->shortcut().isEmpty()); // not a shortcut: removed
    EXPECT_EQ(t.plainAction->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    EXPECT_EQ(LangFiler().Value("TestForm.TestForm.Caption"), "Testformular");

    // Back to a language without these names: the texts shown now are reported under them.
    LangFiler().SetLanguage("us");
    EXPECT_EQ(LangFiler().LanguageCode(), "us");
    EXPECT_EQ(LangFiler().Value("TestForm.NameLabel.Caption"), "Nom");
    EXPECT_EQ(LangFiler().Value("TestForm.OKButton.Caption"), "OK");
}

TEST_F(LngNodeTest, StartsOnceTheFormIsBuiltAndNeverAfterItsEnd)
{
    // Created first, as a form built in code would; the label comes later.
    QDialog form;
    form.setObjectName("LateForm");
    auto* node = new TLngNode(&form);
    auto* label = new QLabel("Late", &form);
    label->setObjectName("LateLabel");
    letNodesStart();
    EXPECT_EQ(LangFiler().Value("LateForm.LateLabel.Caption"), "Late");
    EXPECT_EQ(node->ComponentNames(), QStringList({"LateForm", "LateLabel"}));
    // Collected once: later controls are not seen.
    auto* later = new QLabel("Later", &form);
    later->setObjectName("LaterLabel");
    LangFiler().SetLanguage("us");
    EXPECT_EQ(LangFiler().Value("LateForm.LaterLabel.Caption"), "");

    // A node destroyed before its start never registers, and its event is never delivered.
    {
        QDialog shortLived;
        shortLived.setObjectName("ShortLived");
        new QLabel("Gone", &shortLived);
        new TLngNode(&shortLived);
    }
    letNodesStart();
    EXPECT_TRUE(LangFiler().Strings().filter("ShortLived").isEmpty());

    delete node;
    EXPECT_FALSE(LangFiler().IsRegistered(node));
}

TEST_F(LngNodeTest, SameNamesOnTwoFormsDoNotCollide)
{
    TestForm first("FirstForm");
    TestForm second("SecondForm");
    second.nameLabel->setText("Other name");
    new TLngNode(&first.form);
    new TLngNode(&second.form);
    letNodesStart();
    EXPECT_EQ(LangFiler().Value("FirstForm.NameLabel.Caption"), "Name");
    EXPECT_EQ(LangFiler().Value("SecondForm.NameLabel.Caption"), "Other name");
}

} // namespace
