#pragma once

#include "tests/support/QStringPrinters.h"

#include <QKeySequence>

#include <ostream>

// Readable values in test failure messages.
inline void PrintTo(const QKeySequence& key, std::ostream* out)
{
    *out << '<' << key.toString(QKeySequence::PortableText).toStdString() << '>';
}
