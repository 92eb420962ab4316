#include "server/TTrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

// Records the component's events in the order they fire.
class TrayIconTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_tray.setObjectName(QStringLiteral("TrayIcon1"));
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::green);
        m_tray.SetIcon(QIcon(pixmap));
        m_tray.OnMouseDown = [this](QObject* sender, Qt::MouseButton button, TTrayIcon::TShiftState shift,
                                 int, int) {
            EXPECT_EQ(sender, &m_tray);
            EXPECT_TRUE(shift.buttons & button);
            m_events << (button == Qt::LeftButton ? QStringLiteral("down L") : QStringLiteral("down R"));
        };
        m_tray.OnMouseUp = [this](QObject*, Qt::MouseButton button, TTrayIcon::TShiftState, int, int) {
            m_events << (button == Qt::LeftButton ? QStringLiteral("up L") : QStringLiteral("up R"));
        };
        m_tray.OnClick = [this](QObject*) { m_events << QStringLiteral("click"); };
        m_tray.OnDblClick = [this](QObject*) { m_events << QStringLiteral("dblclick"); };
        m_tray.BeforePopUp = [this](QObject*) { m_events << QStringLiteral("before"); };
        m_tray.OnPopupMenu = [this](QObject*) { m_events << QStringLiteral("popup"); };
        m_tray.OnShow = [this](QObject*) { m_events << QStringLiteral("show"); };
        m_tray.OnHide = [this](QObject*) { m_events << QStringLiteral("hide"); };
    }

    QSystemTrayIcon* shellIcon() { return m_tray.findChild<QSystemTrayIcon*>(); }
    void activate(QSystemTrayIcon::ActivationReason reason) { emit shellIcon()->activated(reason); }

    // The events outlive the component, whose destruction hides the icon.
    QStringList m_events;
    TTrayIcon m_tray;
};

} // namespace

TEST_F(TrayIconTest, HintKeepsSixtyThreeCharacters)
{
    const QString text = QString(60, u'a') + QStringLiteral("bcdefghijk");
    m_tray.SetHint(text);
    EXPECT_EQ(m_tray.Hint(), text.left(63));
    ASSERT_NE(shellIcon(), nullptr);
    EXPECT_EQ(shellIcon()->toolTip(), text.left(63));
    // CR LF between the lines of a status; the desktop gets plain newlines.
    m_tray.SetHint(QStringLiteral("Update: one\r\ntwo"));
    EXPECT_EQ(m_tray.Hint(), QStringLiteral("Update: one\r\ntwo"));
    EXPECT_EQ(shellIcon()->toolTip(), QStringLiteral("Update: one\ntwo"));
}

TEST_F(TrayIconTest, VisibleAndIconIdChangesFireShowAndHide)
{
    EXPECT_FALSE(m_tray.Visible());
    EXPECT_EQ(m_tray.IconFlags(), TTrayIcon::NIF_MESSAGE | TTrayIcon::NIF_TIP);
    m_tray.SetVisible(true);
    m_tray.SetVisible(true);
    EXPECT_EQ(m_events, QStringList {QStringLiteral("show")});
    EXPECT_EQ(m_tray.IconFlags(), TTrayIcon::NIF_MESSAGE | TTrayIcon::NIF_TIP | TTrayIcon::NIF_ICON);

    m_events.clear();
    m_tray.SetIconID(7);
    EXPECT_EQ(m_tray.IconID(), 7);
    EXPECT_EQ(m_events, QStringList({QStringLiteral("hide"), QStringLiteral("show")}));
    EXPECT_TRUE(m_tray.Visible());
    m_tray.SetIconID(7);
    EXPECT_EQ(m_events.size(), 2);

    m_events.clear();
    m_tray.SetVisible(false);
    m_tray.SetIconID(8);
    EXPECT_EQ(m_events, QStringList {QStringLiteral("hide")});
    EXPECT_EQ(m_tray.IconFlags(), TTrayIcon::NIF_MESSAGE | TTrayIcon::NIF_TIP);

    // Loaded shows an icon that is meant to be visible, once more.
    m_tray.SetVisible(true);
    m_events.clear();
    m_tray.Loaded();
    EXPECT_EQ(m_events, QStringList {QStringLiteral("show")});
}

TEST_F(TrayIconTest, ActivationsBecomeMouseEvents)
{
    const struct {
        QList<QSystemTrayIcon::ActivationReason> reasons;
        QStringList events;
    } cases[] = {
        {{QSystemTrayIcon::Trigger}, {"down L", "up L", "click"}},
        // The desktop reports a double click as a click and then the double click.
        {{QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick},
            {"down L", "up L", "click", "dblclick", "up L"}},
        // Without a menu the right click has no popup.
        {{QSystemTrayIcon::Context}, {"down R", "before", "up R"}},
        {{QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}, {}},
    };
    for (const auto& c : cases) {
        m_events.clear();
        for (auto reason : c.reasons)
            activate(reason);
        EXPECT_EQ(m_events, c.events) << c.events.join(u',').toStdString();
    }

    m_events.clear();
    m_tray.SetEnabled(false);
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context})
        activate(reason);
    EXPECT_TRUE(m_events.isEmpty());
}

TEST_F(TrayIconTest, RightClickPopsTheMenuUpBetweenBeforeAndUp)
{
    auto menu = std::make_unique<QMenu>();
    menu->addAction(QStringLiteral("Restart"));
    m_tray.SetPopupMenu(menu.get());
    m_tray.BeforePopUp = [&](QObject*) {
        m_events << QStringLiteral("before");
        // The menu is closed from the event loop it runs.
        QTimer::singleShot(0, menu.get(), [&] {
            m_events << (menu->isVisible() ? QStringLiteral("menu shown") : QStringLiteral("menu hidden"));
            menu->close();
        });
    };
    activate(QSystemTrayIcon::Context);
    EXPECT_EQ(m_events, QStringList({"down R", "before", "menu shown", "popup", "up R"}));

    // A destroyed menu is no longer referenced.
    menu.reset();
    EXPECT_EQ(m_tray.PopupMenu(), nullptr);
    m_events.clear();
    activate(QSystemTrayIcon::Context);
    EXPECT_EQ(m_events, QStringList({"down R", "before", "up R"}));
}

TEST_F(TrayIconTest, ImageListSuppliesTheIcon)
{
    QList<QIcon> images;
    for (Qt::GlobalColor color : {Qt::red, Qt::blue}) {
        QPixmap pixmap(16, 16);
        pixmap.fill(color);
        images << QIcon(pixmap);
    }
    m_tray.SetImageList(&images);
    EXPECT_EQ(m_tray.Icon().cacheKey(), images[0].cacheKey());
    m_tray.SetImageIndex(1);
    EXPECT_EQ(m_tray.Icon().cacheKey(), images[1].cacheKey());
    m_tray.SetImageIndex(5);
    EXPECT_TRUE(m_tray.Icon().isNull());
    m_tray.SetImageList(nullptr);
}
