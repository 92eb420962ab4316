#pragma once

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

// One icon in the notification area: keeps its image and tooltip, reports mouse actions on it
// as events and pops its menu up on a right click. The desktop's activations are turned into
// the mouse notifications TrayNotify handles. Without a notification area (a headless machine)
// every property keeps its value and nothing fails.
class TTrayIcon : public QObject
{
    Q_OBJECT
public:
    // Mouse notifications, as numbered by the shell's callback message.
    static constexpr int WM_TRAYNOTIFY = 1025;
    static constexpr int WM_LBUTTONDOWN = 513;
    static constexpr int WM_LBUTTONUP = 514;
    static constexpr int WM_LBUTTONDBLCLK = 515;
    static constexpr int WM_RBUTTONDOWN = 516;
    static constexpr int WM_RBUTTONUP = 517;
    // IconFlags bits.
    static constexpr unsigned NIF_MESSAGE = 1;
    static constexpr unsigned NIF_ICON = 2;
    static constexpr unsigned NIF_TIP = 4;
    static constexpr int MaxHintLength = 63;

    struct TShiftState {
        Qt::KeyboardModifiers keys;
        Qt::MouseButtons buttons;
    };
    using TMouseEvent
        = std::function<void(QObject* sender, Qt::MouseButton button, TShiftState shift, int x, int y)>;
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TTrayIcon(QObject* owner = nullptr);
    ~TTrayIcon() override;

    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    // Before the menu pops up, and after it has closed.
    TNotifyEvent BeforePopUp;
    TNotifyEvent OnPopupMenu;
    // The icon was added to, or removed from, the notification area.
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

    QIcon Icon() const { return FIcon; }
    virtual void SetIcon(const QIcon& icon);
    // Optional source of Icon: the image at ImageIndex. Not followed when it goes away.
    const QList<QIcon>* ImageList() const { return FImageList; }
    virtual void SetImageList(const QList<QIcon>* imageList);
    int ImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(int index);
    int IconID() const { return FIconID; }
    virtual void SetIconID(int id);
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);
    QString Hint() const { return FHint; }
    // Keeps the first MaxHintLength characters.
    virtual void SetHint(const QString& hint);
    QMenu* PopupMenu() const { return FPopupMenu; }
    // Becomes empty when the menu is destroyed.
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }
    unsigned IconFlags() const { return FIconFlags; }

    // After the properties were set up by the owner: shows the icon if Visible.
    virtual void Loaded();
    // The shell's callback: one mouse notification on the icon (WM_LBUTTONDOWN etc.).
    virtual void TrayNotify(int mouseMessage);

protected:
    virtual void FillIconData();
    virtual void AddToTaskbar();
    virtual void DeleteFromTaskbar();
    virtual void LoadImageListIcon();
    virtual void DoMouseDown(Qt::MouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseUp(Qt::MouseButton button, TShiftState shift, int x, int y);
    virtual void DoClick();
    virtual void DoDblClick();
    virtual void UpDate();
    virtual void ShowIcon();
    virtual void HideIcon();
    virtual void PopupAtCursor();
    void DoBeforePopUp();

private:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void ShellRequest(const char* operation, const std::function<void()>& request);
    void SyncShellVisibility();

    QSystemTrayIcon* FShellIcon = nullptr;
    QIcon FIcon;
    const QList<QIcon>* FImageList = nullptr;
    int FImageIndex = 0;
    int FIconID = 0;
    unsigned FIconFlags = NIF_MESSAGE | NIF_TIP;
    bool FVisible = false;
    bool FEnabled = true;
    QString FHint;
    QPointer<QMenu> FPopupMenu;
    bool FClickPending = false;
};
