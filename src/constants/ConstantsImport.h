#pragma once

#include "constants/ConstantsTableFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Writing an imported table to the board: no port, no widgets; the caller hands in its send
// operation, its pause and its way of reading the table again.
namespace ConstantsImport {

// The pause after each update command, as long as the panel's wait after a request.
constexpr int UpdatePauseMs = 800;

using Send = std::function<void(const QByteArray&)>;
using Pause = std::function<void(int milliseconds)>;
using RequestTable = std::function<void()>;
using Log = std::function<void(const QString&)>;

// Sends the update command of each difference (its file value), in index order as given, each
// followed by pause(UpdatePauseMs); then calls requestTable once. Nothing is sent for an entry
// whose index cannot go into the command (outside 0..65535).
void sendChanges(const QList<ConstantDifference>& changes, const Send& send, const Pause& pause,
                 const RequestTable& requestTable);

// The log line after the table was read again, comparing it with the file's table entry by
// entry: "12 of 12 entries match." or "10 of 12 entries match; differing: 3, 7." (at most
// 20 indices listed, then "and N more"). An empty re-read table gives
// "The board sent no table back; the 12 entries could not be checked."
QString matchText(const QList<float>& board, const QList<float>& file);

// What an import needs from the window: the link's send, the pause, the panel's read of the
// table, the table as the board last sent it, the confirmation dialog and the message log.
struct Steps
{
    Send send;
    Pause pause;
    RequestTable requestTable;
    std::function<QList<float>()> boardTable;
    // Shown the differences; true sends them.
    std::function<bool(const QList<ConstantDifference>&)> confirm;
    Log log;
};

// The whole import of a file's content: a refused file or a table of another length is
// logged ("Import refused: line 3: ... Nothing was sent.") and nothing is sent nor confirmed;
// a file equal to the board's table is logged and nothing is sent; otherwise the differences
// are confirmed, sent with sendChanges, and the re-read table checked with matchText.
// Returns the number of update commands sent.
int importTable(const QByteArray& content, const Steps& steps);

} // namespace ConstantsImport
