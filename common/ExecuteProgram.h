#pragma once

#include <QString>

// Starts a program or opens a document the way the device actions and the help menu expect:
// both texts trimmed; a leading %NAME% in the program is replaced by that environment variable;
// "iexplore" or "iexplore.exe" (any case, any folder) opens the parameters with the default web
// browser; everything else goes to ShellOpen. Reports nothing.
void ExecuteProgram(const QString& program, const QString& parameters);
