#include "common/FormPlacement.h"

#include <QTemporaryDir>
#include <QWidget>

#include "common/IniStore.h"

#include <gtest/gtest.h>

namespace
{

class FormPlacementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        form.setObjectName(QStringLiteral("Form1"));
        form.setGeometry(100, 80, 640, 480);
        form.show();
    }

    QTemporaryDir dir;
    QString fileName = dir.filePath(QStringLiteral("vigilo.ini"));
    QWidget form;
    const QString section = QStringLiteral("preferences");
};

TEST_F(FormPlacementTest, NormalPlacementSurvivesTheSettingsFile)
{
    form.move(120, 90);
    form.resize(700, 500);
    {
        IniStore store(fileName);
        SaveFormPlacement(section, &form, store);
        store.updateFile();
    }
    const IniStore store(fileName);
    EXPECT_FALSE(store.readBool(section, QStringLiteral("Form1Max"), true));
    EXPECT_EQ(store.readInteger(section, QStringLiteral("Form1H"), 0), 500);
    EXPECT_EQ(store.readInteger(section, QStringLiteral("Form1W"), 0), 700);

    QWidget other;
    other.setObjectName(QStringLiteral("Form1"));
    other.setGeometry(10, 10, 200, 100);
    other.setWindowState(Qt::WindowMaximized);
    RestoreFormPlacement(section, &other, store);
    other.show();
    EXPECT_FALSE(other.isMaximized());
    EXPECT_EQ(other.pos(), form.pos());
    EXPECT_EQ(other.size(), QSize(700, 500));
}

TEST_F(FormPlacementTest, MaximisedWindowKeepsTheEarlierBounds)
{
    IniStore store(fileName);
    SaveFormPlacement(section, &form, store);
    const int top = store.readInteger(section, QStringLiteral("Form1T"), -1);

    form.move(300, 200);
    form.showMaximized();
    SaveFormPlacement(section, &form, store);
    EXPECT_TRUE(store.readBool(section, QStringLiteral("Form1Max"), false));
    EXPECT_EQ(store.readInteger(section, QStringLiteral("Form1T"), -1), top);
    EXPECT_EQ(store.readInteger(section, QStringLiteral("Form1W"), -1), 640);

    QWidget other;
    other.setObjectName(QStringLiteral("Form1"));
    RestoreFormPlacement(section, &other, store);
    other.show();
    EXPECT_TRUE(other.isMaximized());
}

TEST_F(FormPlacementTest, NoStoredKeysMakeTheWindowNormalAndLeaveItWhereItIs)
{
    const IniStore store(fileName);
    const QRect before = form.geometry();
    RestoreFormPlacement(section, &form, store);
    EXPECT_EQ(form.geometry(), before);

    form.showMaximized();
    RestoreFormPlacement(section, &form, store);
    EXPECT_FALSE(form.isMaximized());
}

} // namespace
