#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Standard output for results and standard error for everything a person reads: log lines,
// errors and one status line that a terminal redraws in place (a progress bar). Lines written
// while a status is shown go above it.
class Terminal
{
public:
    // Standard error is a terminal unless told otherwise (tests of the plain output).
    explicit Terminal(std::FILE* err = stderr, std::FILE* out = stdout);
    Terminal(std::FILE* err, std::FILE* out, bool errIsTerminal);

    bool isTerminal() const { return m_isTerminal; }
    // One line on standard error.
    void line(const QString& text);
    // "skyvane-cli: " and the text, on standard error.
    void error(const QString& text);
    // Replaces the status line (a terminal only; elsewhere it is dropped).
    void status(const QString& text);
    // Removes the status line.
    void clearStatus();
    // Result data on standard output, as it stands.
    void out(const QByteArray& bytes);

private:
    void eraseStatus();

    std::FILE* m_err;
    std::FILE* m_out;
    bool m_isTerminal;
    QString m_status;
};
