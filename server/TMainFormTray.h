#pragma once

#include <QObject>

#include <memory>

class QAction;
class QIcon;
class QMenu;
class TMainForm;
class TTrayIcon;

// The main form's part in the notification area: TrayIcon1, whose tooltip is the form's status,
// and PopupMenu1 with Restart, Stop, Close, Auto Start and Stop Auto Start. Menu commands reach
// the form as posted calls, the same path as the control records.
class TMainFormTray : public QObject
{
    Q_OBJECT
public:
    TMainFormTray(TMainForm& form, const QIcon& icon);
    ~TMainFormTray() override;

    TTrayIcon* TrayIcon1() const { return FTrayIcon.get(); }
    QMenu* PopupMenu1() const { return FMenu.get(); }

    // Takes the icon out of the notification area when the application ends.
    void HideTrayIcon();

private:
    QAction* AddItem(const char* name, const QString& caption, void (TMainForm::*command)());
    void TrayIcon1BeforePopUp();

    TMainForm& FForm;
    std::unique_ptr<QMenu> FMenu;
    std::unique_ptr<TTrayIcon> FTrayIcon;
    QAction* FAutoStart1 = nullptr;
    QAction* FStopAutoStart1 = nullptr;
};
