#pragma once

#include <QString>

#include <cstdio>
#include <exception>
#include <set>
#include <string>

// The receive path stays silent to the operator (the "No Data" indication tells them), but a
// failure caught there is written to standard error once per kind, so that whoever looks for a
// real fault finds it: "skyvane: receive path: std::runtime_error: drawing failed".
class FaultTrace
{
public:
    explicit FaultTrace(std::FILE* out = stderr) : m_out(out) {}

    // Writes the trace of the exception being handled (call inside a catch block), unless one of
    // its kind was written before.
    void noteCurrent(const char* where);
    // How many traces were written.
    int written() const { return m_written; }

private:
    void note(const char* where, const std::string& kind, const QString& what);

    std::FILE* m_out;
    std::set<std::string> m_seen;
    int m_written = 0;
};
