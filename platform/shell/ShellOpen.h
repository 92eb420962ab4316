#pragma once

#include <QString>

// Starts program with its parameter text when program is an executable file (a path, or a name
// found on PATH): detached, the parameters split by shell rules, no shell in between. Anything
// else (a document, a folder, a URL) is handed to the desktop's opener. Never throws, never
// waits, reports nothing: a program that cannot be started is simply not started.
void ShellOpen(const QString& program, const QString& parameters);

// Opens a document, folder or URL with the desktop's default application.
void ShellOpenDocument(const QString& target);

// The program that opens documents: "xdg-open" unless set here (tests); empty restores it.
void SetDocumentOpener(const QString& program);
QString DocumentOpener();
