#include "framework/TLngNode.h"

#include "framework/ShortCutText.h"
#include "framework/TLangFiler.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolBox>

namespace
{

const QLatin1String HelpKeywordProperty("helpKeyword");

bool HasTag(const QObject* object)
{
    return object->property("tag").toInt() != 0;
}

bool TranslatesItems(const QObject* object)
{
    return object->property("translateItems").toBool();
}

// Qt's own parts of composite widgets are named "qt_..."; they are no components of the form.
bool IsInternal(const QObject* object)
{
    return object->objectName().startsWith(QLatin1String("qt_"));
}

// Controls whose child widgets are their own inner parts, not components placed on the form.
bool IsControl(const QWidget* widget)
{
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLabel*>(widget)
        || qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget)
        || qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QAbstractSlider*>(widget)
        || qobject_cast<const QAbstractScrollArea*>(widget) || qobject_cast<const QTabBar*>(widget)
        || qobject_cast<const QProgressBar*>(widget) || qobject_cast<const QDialogButtonBox*>(widget)
        || qobject_cast<const QToolBar*>(widget) || qobject_cast<const QStatusBar*>(widget)
        || qobject_cast<const QCalendarWidget*>(widget) || qobject_cast<const QToolBox*>(widget)
        || qobject_cast<const QSizeGrip*>(widget);
}

// The tab widget whose page this widget is, with the page's index.
std::pair<QTabWidget*, int> TabPageOf(QWidget* widget)
{
    QWidget* stack = widget->parentWidget();
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    if (!tabs)
        return {nullptr, -1};
    return {tabs, tabs->indexOf(widget)};
}

} // namespace

TLngNode::TLngNode(QObject* owner)
    : QObject(owner)
{
    // The form is still being built: its later widgets and their names do not exist yet.
    QCoreApplication::postEvent(this, new QEvent(StartTranslation));
}

TLngNode::~TLngNode()
{
    LangFiler().UnregisterNode(this);
}

bool TLngNode::event(QEvent* event)
{
    if (event->type() == StartTranslation) {
        WMStartTranslation();
        return true;
    }
    return QObject::event(event);
}

void TLngNode::WMStartTranslation()
{
    if (FCollected)
        return;
    FCollected = true;
    CollectComponents();
    LangFiler().RegisterNode(this);
}

void TLngNode::CollectComponents()
{
    QObject* owner = parent();
    if (!owner)
        return;
    FOwnerName = owner->objectName().isEmpty() ? QString::fromLatin1(owner->metaObject()->className())
                                               : owner->objectName();
    if (!HasTag(owner))
        FComponents.append({FOwnerName, owner});

    QList<QObject*> found;
    Walk(owner, found);
    for (int i = 0; i < found.size(); ++i) {
        if (!HasTag(found.at(i)))
            AddComponent(found.at(i), i);
    }
}

void TLngNode::Walk(QObject* parent, QList<QObject*>& found) const
{
    const auto* menu = qobject_cast<const QMenu*>(parent);
    for (QObject* child : parent->children()) {
        if (auto* action = qobject_cast<QAction*>(child)) {
            // A menu's own action is the menu itself, collected as the menu.
            if (!(menu && menu->menuAction() == action))
                found.append(action);
            continue;
        }
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || IsInternal(widget))
            continue;
        found.append(widget);
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                found.append(tabs->widget(i));
                Walk(tabs->widget(i), found);
            }
        } else if (auto* scroll = qobject_cast<QScrollArea*>(widget)) {
            if (scroll->widget()) {
                found.append(scroll->widget());
                Walk(scroll->widget(), found);
            }
        } else if (!IsControl(widget)) {
            Walk(widget, found);
        }
    }
}

void TLngNode::AddComponent(QObject* component, int index)
{
    for (const Component& known : std::as_const(FComponents)) {
        if (known.object == component)
            return;
    }
    if (component->objectName().isEmpty())
        component->setObjectName(
            QString::fromLatin1(component->metaObject()->className()) + QString::number(index));
    FComponents.append({component->objectName(), component});
}

QStringList TLngNode::ComponentNames() const
{
    QStringList names;
    for (const Component& component : FComponents)
        names.append(component.name);
    return names;
}

void TLngNode::Translate()
{
    for (const Component& component : std::as_const(FComponents)) {
        if (component.object)
            TranslateComponent(FOwnerName + QLatin1Char('.') + component.name, component.object);
    }
    if (OnChange)
        OnChange(this);
}

void TLngNode::Exchange(
    const QString& name, const QString& current, const std::function<void(const QString&)>& apply)
{
    const QString value = LangFiler().Value(name);
    if (!value.isEmpty())
        apply(value);
    else
        LangFiler().SetValue(name, current);
}

void TLngNode::TranslateComponent(const QString& prefix, QObject* component)
{
    const QString caption = prefix + QLatin1String(".Caption");
    const QString shortCut = prefix + QLatin1String(".ShortCut");

    // Menus and actions are menu items: caption, then shortcut; separators have neither.
    if (auto* menu = qobject_cast<QMenu*>(component)) {
        Exchange(caption, menu->title(), [menu](const QString& v) { menu->setTitle(v); });
        QAction* item = menu->menuAction();
        Exchange(shortCut, ShortCutToText(item->shortcut()),
            [item](const QString& v) { item->setShortcut(TextToShortCut(v)); });
        return;
    }
    if (auto* action = qobject_cast<QAction*>(component)) {
        if (action->isSeparator())
            return;
        Exchange(caption, action->text(), [action](const QString& v) { action->setText(v); });
        Exchange(shortCut, ShortCutToText(action->shortcut()),
            [action](const QString& v) { action->setShortcut(TextToShortCut(v)); });
        return;
    }
    auto* widget = qobject_cast<QWidget*>(component);
    if (!widget)
        return;

    Exchange(prefix + QLatin1String(".Hint"), widget->toolTip(),
        [widget](const QString& v) { widget->setToolTip(v); });
    Exchange(prefix + QLatin1String(".HelpKeyword"), widget->property(HelpKeywordProperty.data()).toString(),
        [widget](const QString& v) { widget->setProperty(HelpKeywordProperty.data(), v); });

    if (auto* label = qobject_cast<QLabel*>(widget))
        Exchange(caption, label->text(), [label](const QString& v) { label->setText(v); });
    if (auto* button = qobject_cast<QPushButton*>(widget))
        Exchange(caption, button->text(), [button](const QString& v) { button->setText(v); });
    if (auto* check = qobject_cast<QCheckBox*>(widget))
        Exchange(caption, check->text(), [check](const QString& v) { check->setText(v); });
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        Exchange(caption, group->title(), [group](const QString& v) { group->setTitle(v); });
    if (widget == parent() || widget->isWindow())
        Exchange(caption, widget->windowTitle(), [widget](const QString& v) { widget->setWindowTitle(v); });
    if (auto [tabs, index] = TabPageOf(widget); tabs && index >= 0)
        Exchange(
            caption, tabs->tabText(index), [tabs, index](const QString& v) { tabs->setTabText(index, v); });

    if (!TranslatesItems(widget))
        return;
    const QString items = prefix + QLatin1String(".Items.");
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i)
            Exchange(items + QString::number(i), combo->itemText(i),
                [combo, i](const QString& v) { combo->setItemText(i, v); });
    } else if (auto* bar = qobject_cast<QTabBar*>(widget)) {
        for (int i = 0; i < bar->count(); ++i)
            Exchange(items + QString::number(i), bar->tabText(i),
                [bar, i](const QString& v) { bar->setTabText(i, v); });
    }
}
