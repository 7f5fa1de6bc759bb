#pragma once

#include "core/Logger.h"
#include "firmware/FlashProgress.h"
#include "link/Link.h"
#include "support/LinkOver.h"

#include <QList>
#include <QMap>
#include <QTimer>

#include <functional>
#include <utility>

// A fake port whose "board" answers each write on the next turn of the event loop, as a real
// board answers after the bytes crossed the line.
class ScriptedPort : public FakeSerialControl
{
public:
    using Responder = std::function<QByteArray(const QByteArray& command)>;

    bool Output(const QByteArray& bytes) override
    {
        if (!FakeSerialControl::Output(bytes))
            return false;
        commands.append(bytes);
        const QByteArray reply = responder ? responder(bytes) : QByteArray();
        if (!reply.isEmpty())
            QTimer::singleShot(0, this, [this, reply] { feed(reply); });
        return true;
    }

    QList<QByteArray> commands;
    Responder responder;
};

using ScriptedLink = LinkOver<ScriptedPort>;

// A healthy bootloader: version 0x13, erase, acknowledges each row with its address (keeping
// the row's data), and runs the application.
struct GoodBoard
{
    QMap<int, QByteArray> rows;

    QByteArray operator()(const QByteArray& command)
    {
        if (command == "+V")
            return QByteArray("+V\x13", 3);
        if (command == "+E")
            return "+E";
        if (command == "+R")
            return "+R";
        if (command.startsWith("+P") && command.size() == 197) {
            const int address =
                (quint8(command[2]) << 16) | (quint8(command[3]) << 8) | quint8(command[4]);
            rows[address] = command.mid(5);
            return command.left(5);
        }
        return {};
    }
};

// Records what the programming shows: every clear and every box drawn.
class RecordingProgress : public FlashProgress
{
public:
    void clear() override { events.append(QStringLiteral("clear")); }
    void show(double i, double endIndex) override
    {
        events.append(QStringLiteral("show"));
        last = {i, endIndex};
    }
    QStringList events;
    std::pair<double, double> last{-1, -1};
};
