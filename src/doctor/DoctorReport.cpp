#include "doctor/DoctorReport.h"

namespace {
// The verdict column is as wide as its longest word and a space.
constexpr int VerdictWidth = 9;
} // namespace

QString VerdictText(DoctorLine::Verdict verdict)
{
    switch (verdict) {
    case DoctorLine::Ok:
        return QStringLiteral("ok");
    case DoctorLine::Warning:
        return QStringLiteral("warning");
    case DoctorLine::Problem:
        return QStringLiteral("problem");
    }
    return {};
}

int DoctorReport::count(DoctorLine::Verdict verdict) const
{
    int n = 0;
    for (const DoctorSection& section : sections) {
        for (const DoctorLine& line : section.lines)
            n += line.verdict == verdict ? 1 : 0;
    }
    return n;
}

QString DoctorReport::text() const
{
    QString out = heading + QLatin1Char('\n');
    const QString indent(2 + VerdictWidth, QLatin1Char(' '));
    for (const DoctorSection& section : sections) {
        out += QLatin1Char('\n') + section.title + QLatin1Char('\n');
        for (const DoctorLine& line : section.lines) {
            out += QStringLiteral("  ") +
                   VerdictText(line.verdict).leftJustified(VerdictWidth, QLatin1Char(' ')) +
                   line.text + QLatin1Char('\n');
            for (const QString& command : line.remedy)
                out += indent + command + QLatin1Char('\n');
        }
    }
    const int problems = count(DoctorLine::Problem);
    const int warnings = count(DoctorLine::Warning);
    out += QStringLiteral("\n%1 %2, %3 %4.\n")
               .arg(problems)
               .arg(problems == 1 ? QStringLiteral("problem") : QStringLiteral("problems"))
               .arg(warnings)
               .arg(warnings == 1 ? QStringLiteral("warning") : QStringLiteral("warnings"));
    return out;
}
