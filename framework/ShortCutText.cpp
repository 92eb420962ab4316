#include "framework/ShortCutText.h"

#include <array>
#include <utility>

namespace
{

// Modifiers in the order they are written.
const std::array<std::pair<Qt::KeyboardModifier, const char*>, 4> Modifiers = {{
    {Qt::ShiftModifier, "Shift+"},
    {Qt::ControlModifier, "Ctrl+"},
    {Qt::AltModifier, "Alt+"},
    {Qt::MetaModifier, "Meta+"},
}};

// Key names of the file format; the keypad Enter gets a name of its own so that it reads back.
const std::array<std::pair<Qt::Key, const char*>, 16> KeyNames = {{
    {Qt::Key_Backspace, "BkSp"},
    {Qt::Key_Tab, "Tab"},
    {Qt::Key_Return, "Enter"},
    {Qt::Key_Escape, "Esc"},
    {Qt::Key_Space, "Space"},
    {Qt::Key_PageUp, "PgUp"},
    {Qt::Key_PageDown, "PgDn"},
    {Qt::Key_End, "End"},
    {Qt::Key_Home, "Home"},
    {Qt::Key_Left, "Left"},
    {Qt::Key_Up, "Up"},
    {Qt::Key_Right, "Right"},
    {Qt::Key_Down, "Down"},
    {Qt::Key_Insert, "Ins"},
    {Qt::Key_Delete, "Del"},
    {Qt::Key_Enter, "NumEnter"},
}};

QString KeyName(Qt::Key key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QString(QChar(key));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    for (const auto& [k, name] : KeyNames) {
        if (k == key)
            return QString::fromLatin1(name);
    }
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

Qt::Key KeyFromName(const QString& name)
{
    if (name.size() == 1) {
        const QChar c = name.at(0).toUpper();
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return Qt::Key(c.unicode());
    }
    if (name.size() >= 2 && name.at(0).toUpper() == QLatin1Char('F')) {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 24 && name.at(1) != QLatin1Char('0') && name.at(1).isDigit())
            return Qt::Key(Qt::Key_F1 + n - 1);
    }
    for (const auto& [key, keyName] : KeyNames) {
        if (name.compare(QLatin1String(keyName), Qt::CaseInsensitive) == 0)
            return key;
    }
    // Any other key by Qt's portable name; it must be one plain key.
    const QKeySequence other = QKeySequence::fromString(name, QKeySequence::PortableText);
    if (other.count() == 1 && other[0].keyboardModifiers() == Qt::NoModifier
        && other[0].key() != Qt::Key_unknown)
        return other[0].key();
    return Qt::Key_unknown;
}

} // namespace

QString ShortCutToText(const QKeySequence& shortcut)
{
    if (shortcut.isEmpty())
        return {};
    const QKeyCombination combination = shortcut[0];
    QString text;
    for (const auto& [modifier, name] : Modifiers) {
        if (combination.keyboardModifiers().testFlag(modifier))
            text += QString::fromLatin1(name);
    }
    return text + KeyName(combination.key());
}

QKeySequence TextToShortCut(const QString& text)
{
    Qt::KeyboardModifiers modifiers;
    QString rest = text;
    for (bool found = true; found;) {
        found = false;
        for (const auto& [modifier, name] : Modifiers) {
            const QLatin1String prefix(name);
            // "Ctrl++" is Ctrl with the plus key: a prefix must leave a key behind.
            if (rest.size() > prefix.size() && rest.startsWith(prefix, Qt::CaseInsensitive)) {
                modifiers |= modifier;
                rest = rest.mid(prefix.size());
                found = true;
            }
        }
    }
    if (rest.isEmpty())
        return {};
    const Qt::Key key = KeyFromName(rest);
    if (key == Qt::Key_unknown)
        return {};
    return QKeySequence(QKeyCombination(modifiers, key));
}
