#pragma once

#include <QString>

// Identities of this machine as 8 upper-case hexadecimal digits; "" when one cannot be had.

// The id of the file system that holds path, folded to 32 bits.
QString FileSystemIdentity(const QString& path);

// The first 8 hexadecimal digits of /etc/machine-id, upper-cased.
QString MachineIdFileIdentity();

// The same read from another file (tests, other layouts).
QString MachineIdFileIdentity(const QString& machineIdFile);
