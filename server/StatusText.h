#pragma once

#include <QString>

// Word-wraps a status text for the tray tooltip: a line is broken after a blank, hyphen or tab
// so that it stays within maxColumns where such a break exists; text between single or double
// quotes is not broken; existing line breaks stay. Lines are joined with CR LF.
QString WrapText(const QString& text, int maxColumns);

// The text on one line, for a log: line breaks become blanks.
QString OneLine(const QString& text);
