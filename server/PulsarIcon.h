#pragma once

#include <QIcon>

// The server's icon, drawn at run time: a pulse line on a round green badge.
QIcon PulsarIcon();
