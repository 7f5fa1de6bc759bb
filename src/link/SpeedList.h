#pragma once

#include <QStringList>

// The line speeds the window's speed box offers, slowest first.
QStringList SpeedList();
