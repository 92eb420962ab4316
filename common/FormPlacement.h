#pragma once

#include <QString>

class IniStore;
class QWidget;

// A window's placement in the settings: keys are the window's objectName followed by "Max",
// "T", "L", "H" and "W". A maximised window stores only "Max", so that the normal bounds of an
// earlier run survive; missing keys leave the window where it is.
void SaveFormPlacement(const QString& section, QWidget* form, IniStore& store);
void RestoreFormPlacement(const QString& section, QWidget* form, const IniStore& store);
