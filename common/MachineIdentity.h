#pragma once

#include <QString>

// The identity of this machine as 8 upper-case hexadecimal digits: the id of the file system
// holding the program, else the head of the systemd machine id, else "00000000". Stored
// credentials count only on the machine whose identity is stored with them.
QString MachineIdentity();
