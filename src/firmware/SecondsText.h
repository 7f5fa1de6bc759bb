#pragma once

#include <QLocale>
#include <QString>

// A duration in seconds for the operator: rounded to one decimal with halves to the even
// neighbour, shortest text, the locale's decimal separator ("12.3", "12,3", "15").
QString SecondsText(double seconds, const QLocale& locale = QLocale());
