#pragma once

#include <QByteArray>

#include <optional>

// One command to the board's application.
struct AppCommand
{
    enum class Type
    {
        Measure,
        ToggleStream,
        Align,
        Calibrate,
        RequestConstants,
        WriteConstant,
        SaveConstants,
        RestoreConstants,
        Reset,
    };
    Type type = Type::Measure;
    // Calibrate: '4', '5' or '6'.
    char code = 0;
    // WriteConstant: the entry and its new value.
    int index = 0;
    float value = 0;
};

// Cuts application commands out of the received bytes, which may come in any pieces: a
// constant write ("!", index high, index low, 4 float bytes) can be split across reads.
// Bytes that start no command are ignored.
class AppCommandParser
{
public:
    std::optional<AppCommand> feed(char byte);
    void reset() { m_write.clear(); }

private:
    QByteArray m_write;
};
