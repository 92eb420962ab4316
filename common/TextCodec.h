#pragma once

#include <QByteArray>
#include <QString>

// Bytes from files and settings that may predate UTF-8: earlier installations wrote text in the
// Windows-1252 code page, ours write UTF-8. Valid UTF-8 is taken as such, anything else as
// Windows-1252. A byte order mark is kept as a character.
QString DecodeUtf8OrWindows1252(const QByteArray& bytes);
QString DecodeWindows1252(const QByteArray& bytes);
