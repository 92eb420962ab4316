#include "common/FormPlacement.h"

#include <QWidget>

#include "common/IniStore.h"

// Top and left are the window's position with its frame, height and width its inner size: the
// pair that move() and resize() take back, so that a window does not grow from run to run.

void SaveFormPlacement(const QString& section, QWidget* form, IniStore& store)
{
    const QString name = form->objectName();
    if (form->isMaximized()) {
        store.writeBool(section, name + QLatin1String("Max"), true);
        return;
    }
    store.writeBool(section, name + QLatin1String("Max"), false);
    store.writeInteger(section, name + QLatin1String("T"), form->y());
    store.writeInteger(section, name + QLatin1String("L"), form->x());
    store.writeInteger(section, name + QLatin1String("H"), form->height());
    store.writeInteger(section, name + QLatin1String("W"), form->width());
}

void RestoreFormPlacement(const QString& section, QWidget* form, const IniStore& store)
{
    const QString name = form->objectName();
    if (store.readBool(section, name + QLatin1String("Max"), false)) {
        form->setWindowState((form->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        return;
    }
    form->setWindowState(
        form->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    const QString top = name + QLatin1String("T");
    const QString left = name + QLatin1String("L");
    const QString height = name + QLatin1String("H");
    const QString width = name + QLatin1String("W");
    // Only what is stored is applied: a window whose keys are missing stays as it is, even while
    // its normal geometry has not come back yet after leaving the maximised state.
    if (store.valueExists(section, top) || store.valueExists(section, left))
        form->move(store.readInteger(section, left, form->x()), store.readInteger(section, top, form->y()));
    if (store.valueExists(section, height) || store.valueExists(section, width))
        form->resize(store.readInteger(section, width, form->width()),
            store.readInteger(section, height, form->height()));
}
