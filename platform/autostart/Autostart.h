#pragma once

#include <QString>

// The system-wide autostart entry of the ping server: "PulsarService.desktop" in the "autostart"
// folder of the first entry of $XDG_CONFIG_DIRS (default /etc/xdg). The desktop starts what its
// Exec line names when a user logs on.
namespace Autostart
{

// The autostart folder and the entry's full path.
QString folder();
QString entryPath();

// The folder exists and this user may create and delete files in it.
bool writable();
// The entry exists.
bool exists();

// Writes the entry whose Exec line is the executable's path between double quotes. Throws
// AutostartError with the path when it cannot be written; an existing entry is then unchanged.
void write(const QString& executablePath);
// Deletes the entry; false when there was none or it could not be deleted.
bool remove();

// The Exec value for an executable: the path quoted and escaped as desktop entries require
// ("/opt/pulsar/pulsar" -> "\"/opt/pulsar/pulsar\"").
QString execLine(const QString& executablePath);

} // namespace Autostart
