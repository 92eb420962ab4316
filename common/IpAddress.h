#pragma once

#include <QString>
#include <QtGlobal>

// The unsigned 32-bit number of a dotted IPv4 address ("10.0.0.1" gives 167772161), or 0 when
// the text is no address. Callers take 0 as "no address", "0.0.0.0" included.
quint32 IPAddressToValue(const QString& text);
