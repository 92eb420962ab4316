#pragma once

#include <QEvent>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

// A form's translation node: a child object of the form that, once the form is built, walks the
// form's widgets and actions and, for every text it knows (tool tip as "Hint", the dynamic
// property helpKeyword as "HelpKeyword", captions, window title, menu shortcuts), either takes
// the text of the language store or reports the current text to it under
// form name + "." + component name + "." + property.
//
// Widgets and actions with a non-zero dynamic property "tag" are left alone. Items of combo
// boxes and tab bars are data in most forms; they take part only when the widget carries the
// dynamic property translateItems = true ("<component>.Items.<index>").
class TLngNode : public QObject
{
    Q_OBJECT
public:
    static constexpr QEvent::Type StartTranslation = QEvent::Type(1034);

    // The owner is the form; the start is posted and runs once the event loop next runs.
    explicit TLngNode(QObject* owner);
    ~TLngNode() override;

    // One translation pass over the collected components, then OnChange.
    void Translate();

    // Called with the node after every pass.
    std::function<void(TLngNode* sender)> OnChange;

    QString OwnerName() const { return FOwnerName; }
    // Names of the collected components, in the order they are translated.
    QStringList ComponentNames() const;

protected:
    bool event(QEvent* event) override;

private:
    struct Component {
        QString name;
        QPointer<QObject> object;
    };

    void WMStartTranslation();
    void CollectComponents();
    void Walk(QObject* parent, QList<QObject*>& found) const;
    void AddComponent(QObject* component, int index);
    void TranslateComponent(const QString& prefix, QObject* component);
    // Looks up prefix.property; applies a value found, else reports the current text.
    void Exchange(
        const QString& name, const QString& current, const std::function<void(const QString&)>& apply);

    QList<Component> FComponents;
    QString FOwnerName;
    bool FCollected = false;
};
