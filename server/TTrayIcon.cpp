#include "server/TTrayIcon.h"

#include "server/ETrayIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>

TTrayIcon::TTrayIcon(QObject* owner)
    : QObject(owner)
    , FShellIcon(new QSystemTrayIcon(this))
{
    connect(FShellIcon, &QSystemTrayIcon::activated, this, &TTrayIcon::Activated);
}

TTrayIcon::~TTrayIcon()
{
    try {
        SetVisible(false);
    } catch (const ETrayIcon&) {
        // Nothing can be reported from a destructor; the icon goes with the process anyway.
    }
}

void TTrayIcon::SetIcon(const QIcon& icon)
{
    FIcon = icon;
    UpDate();
}

void TTrayIcon::SetImageList(const QList<QIcon>* imageList)
{
    FImageList = imageList;
    LoadImageListIcon();
}

void TTrayIcon::SetImageIndex(int index)
{
    FImageIndex = index;
    LoadImageListIcon();
}

void TTrayIcon::SetIconID(int id)
{
    if (id == FIconID)
        return;
    // The icon is known to the shell by its identifier: take it away under the old one and add
    // it again under the new one.
    const bool wasVisible = FVisible;
    SetVisible(false);
    FIconID = id;
    SetVisible(wasVisible);
}

void TTrayIcon::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    FVisible = visible;
    if (visible)
        ShowIcon();
    else
        HideIcon();
}

void TTrayIcon::SetEnabled(bool enabled)
{
    FEnabled = enabled;
}

void TTrayIcon::SetHint(const QString& hint)
{
    FHint = hint.left(MaxHintLength);
    UpDate();
}

void TTrayIcon::Loaded()
{
    if (FVisible)
        ShowIcon();
}

void TTrayIcon::ShellRequest(const char* operation, const std::function<void()>& request)
{
    try {
        FillIconData();
        request();
    } catch (...) {
        throw ETrayIcon(
            QStringLiteral("%1.%2 failed").arg(objectName(), QString::fromLatin1(operation)).toStdString());
    }
}

void TTrayIcon::FillIconData()
{
    FShellIcon->setIcon(FIcon);
    // The hint keeps CR LF between its lines; the desktop's tooltip wants plain newlines.
    QString tip = FHint;
    tip.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    FShellIcon->setToolTip(tip);
}

void TTrayIcon::AddToTaskbar()
{
    ShellRequest("AddToTaskbar", [this] { SyncShellVisibility(); });
}

void TTrayIcon::UpDate()
{
    ShellRequest("UpDate", [this] { SyncShellVisibility(); });
}

void TTrayIcon::DeleteFromTaskbar()
{
    ShellRequest("DeleteFromTaskbar", [this] { SyncShellVisibility(); });
}

void TTrayIcon::SyncShellVisibility()
{
    // The desktop shows an icon only with an image; one set later brings it up then.
    FShellIcon->setVisible((FIconFlags & NIF_ICON) && !FIcon.isNull());
}

void TTrayIcon::LoadImageListIcon()
{
    if (!FImageList)
        return;
    FIcon = FImageIndex >= 0 && FImageIndex < FImageList->size() ? FImageList->at(FImageIndex) : QIcon();
    UpDate();
}

void TTrayIcon::ShowIcon()
{
    FIconFlags |= NIF_ICON;
    AddToTaskbar();
    FVisible = true;
    if (OnShow)
        OnShow(this);
}

void TTrayIcon::HideIcon()
{
    FIconFlags &= ~NIF_ICON;
    DeleteFromTaskbar();
    FVisible = false;
    if (OnHide)
        OnHide(this);
}

void TTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason)
{
    // The desktop reports whole clicks; the component works on the button notifications they
    // are made of.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        TrayNotify(WM_LBUTTONDOWN);
        TrayNotify(WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        TrayNotify(WM_LBUTTONDBLCLK);
        TrayNotify(WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::Context:
        TrayNotify(WM_RBUTTONDOWN);
        TrayNotify(WM_RBUTTONUP);
        break;
    default:
        break;
    }
}

void TTrayIcon::TrayNotify(int mouseMessage)
{
    if (!FEnabled)
        return;
    const QPoint cursor = QCursor::pos();
    const TShiftState shift {QGuiApplication::queryKeyboardModifiers(), Qt::NoButton};
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        FClickPending = true;
        DoMouseDown(Qt::LeftButton, {shift.keys, Qt::LeftButton}, cursor.x(), cursor.y());
        break;
    case WM_LBUTTONUP:
        DoMouseUp(Qt::LeftButton, {shift.keys, Qt::LeftButton}, cursor.x(), cursor.y());
        if (FClickPending)
            DoClick();
        FClickPending = false;
        break;
    case WM_LBUTTONDBLCLK:
        DoDblClick();
        break;
    case WM_RBUTTONDOWN:
        DoMouseDown(Qt::RightButton, {shift.keys, Qt::RightButton}, cursor.x(), cursor.y());
        break;
    case WM_RBUTTONUP:
        DoBeforePopUp();
        PopupAtCursor();
        DoMouseUp(Qt::RightButton, {shift.keys, Qt::RightButton}, cursor.x(), cursor.y());
        break;
    default:
        break;
    }
}

void TTrayIcon::DoMouseDown(Qt::MouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TTrayIcon::DoMouseUp(Qt::MouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TTrayIcon::DoClick()
{
    if (OnClick)
        OnClick(this);
}

void TTrayIcon::DoDblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TTrayIcon::DoBeforePopUp()
{
    if (BeforePopUp)
        BeforePopUp(this);
}

void TTrayIcon::PopupAtCursor()
{
    if (!FPopupMenu)
        return;
    FPopupMenu->exec(QCursor::pos());
    if (OnPopupMenu)
        OnPopupMenu(this);
}
