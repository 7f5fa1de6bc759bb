#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The link doctor's report: sections of lines, each line judged "ok", "warning" or "problem",
// with the remedy as commands the user can paste. Plain text, to be copied as it is.
struct DoctorLine
{
    enum Verdict
    {
        Ok,
        Warning,
        Problem
    };
    Verdict verdict = Ok;
    QString text;
    // Commands (or, where no command helps, the one thing to do), one a line.
    QStringList remedy;
};

struct DoctorSection
{
    QString title;
    QList<DoctorLine> lines;
};

struct DoctorReport
{
    // "Check the Link: COM33 (/dev/ttyUSB0) at 115200 Bd, polled every 33 ms".
    QString heading;
    QList<DoctorSection> sections;

    int count(DoctorLine::Verdict verdict) const;
    // The whole report: the heading, each section's title and its lines ("  ok       ...",
    // remedies indented below), and a closing summary ("1 problem, 2 warnings.").
    QString text() const;
};

// "ok", "warning", "problem".
QString VerdictText(DoctorLine::Verdict verdict);
