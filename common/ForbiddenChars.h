#pragma once

#include <QChar>
#include <QString>

// The 27 characters the key filters of the edit dialogs refuse, the apostrophe among them.
const QString& ForbiddenChars();
bool IsForbiddenChar(QChar c);
