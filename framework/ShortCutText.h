#pragma once

#include <QKeySequence>
#include <QString>

// Menu shortcuts as language-file text: "Shift+", "Ctrl+", "Alt+" (and "Meta+"), in this order,
// then the key: A-Z, 0-9, F1-F24, BkSp, Tab, Enter, Esc, Space, PgUp, PgDn, End, Home, Left, Up,
// Right, Down, Ins, Del, or Qt's portable name of any other key. Only the first key of a
// sequence counts. Text that does not parse gives an empty sequence.
QString ShortCutToText(const QKeySequence& shortcut);
QKeySequence TextToShortCut(const QString& text);
