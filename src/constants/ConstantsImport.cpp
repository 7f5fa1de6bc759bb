#include "constants/ConstantsImport.h"

#include "constants/ConstantUpdateCommand.h"

#include <QStringList>

namespace ConstantsImport {

namespace {

constexpr int ListedIndices = 20;

} // namespace

void sendChanges(const QList<ConstantDifference>& changes, const Send& send, const Pause& pause,
                 const RequestTable& requestTable)
{
    for (const ConstantDifference& change : changes) {
        const QByteArray command = ConstantUpdateCommand(change.index, change.file);
        if (command.isEmpty())
            continue;
        send(command);
        // The board stores each entry before it takes the next; the panel's Send never
        // follows an update with another one sooner either.
        pause(UpdatePauseMs);
    }
    requestTable();
}

QString matchText(const QList<float>& board, const QList<float>& file)
{
    if (board.isEmpty() && !file.isEmpty()) {
        return QStringLiteral("The board sent no table back; the %1 entries could not be "
                              "checked.")
            .arg(file.size());
    }
    QStringList differing;
    int matching = 0;
    int unlisted = 0;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (i < board.size() && ConstantsTableFile::sameValue(board[i], file[i])) {
            ++matching;
        } else if (differing.size() < ListedIndices) {
            differing.append(QString::number(i));
        } else {
            ++unlisted;
        }
    }
    QString text = QStringLiteral("%1 of %2 entries match").arg(matching).arg(file.size());
    if (differing.isEmpty())
        return text + QLatin1Char('.');
    text += QStringLiteral("; differing: ") + differing.join(QStringLiteral(", "));
    if (unlisted > 0)
        text += QStringLiteral(" and %1 more").arg(unlisted);
    return text + QLatin1Char('.');
}

int importTable(const QByteArray& content, const Steps& steps)
{
    const ConstantsTableFile::Parsed file = ConstantsTableFile::parse(content);
    if (!file.ok) {
        steps.log(QStringLiteral("Import refused: ") + file.error +
                  QStringLiteral(" Nothing was sent."));
        return 0;
    }
    const ConstantsTableFile::Compared compared =
        ConstantsTableFile::diff(steps.boardTable(), file.table);
    if (!compared.ok) {
        steps.log(QStringLiteral("Import refused: ") + compared.error +
                  QStringLiteral(" Nothing was sent."));
        return 0;
    }
    if (compared.differences.isEmpty()) {
        steps.log(QStringLiteral("The file matches the board's table (%1 entries); nothing was "
                                 "sent.")
                      .arg(file.table.size()));
        return 0;
    }
    if (!steps.confirm(compared.differences)) {
        steps.log(QStringLiteral("Import cancelled; nothing was sent."));
        return 0;
    }
    int sent = 0;
    const Send counted = [&](const QByteArray& bytes) {
        steps.send(bytes);
        ++sent;
    };
    sendChanges(compared.differences, counted, steps.pause, steps.requestTable);
    steps.log(sent == 1 ? QStringLiteral("Import: 1 changed entry sent.")
                        : QStringLiteral("Import: %1 changed entries sent.").arg(sent));
    steps.log(matchText(steps.boardTable(), file.table));
    return sent;
}

} // namespace ConstantsImport
