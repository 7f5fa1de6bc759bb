#pragma once

#include "core/Logger.h"
#include "link/Link.h"

#include <QByteArray>
#include <QObject>

class QLineEdit;
class QListWidget;
class QPushButton;

// The constants table of the advanced panel: the list L, the value box Text7 (whose dynamic
// property "Tag" holds the index of the chosen constant as text) and the "Send" button
// Command7. The widgets' signals are connected here; "Get Constants" is wired by the window to
// RequestConstants.
class ConstantsPanel : public QObject
{
    Q_OBJECT
public:
    ConstantsPanel(QListWidget* L, QLineEdit* Text7, QPushButton* Command7, Link& link, Logger& log,
                   QObject* parent = nullptr);

    // The payload of the last constants frame shown (4 bytes per constant).
    const QByteArray& constantsPayload() const { return m_constantsPayload; }

public slots:
    // Empties the list, sends "[" and waits 800 ms while events (and replies) are handled.
    void RequestConstants();
    // Rebuilds the list from a constants frame's payload.
    void FillConstantsList(const QByteArray& payload);
    // Takes the selected line into Text7 (index into its tag, value with a decimal comma).
    void L_Click();
    // Focus to Text7 with its whole text selected.
    void L_DblClick();
    // Makes "Send" the default button, so Enter anywhere in the window sends.
    void Text7_Change();
    // Sends the edited value to the board and reads the table again. While Text7 holds the
    // text the list put there, unedited, the entry's 4 bytes as read are sent (the text shows
    // only 7 digits). Nothing is sent when Text7 is empty; a value that is not a number or a
    // missing index is refused with one log line and Text7 keeps its text.
    void Command7_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool commandInSight() const;
    void forgetPickedEntry();

    QListWidget* m_list;
    QLineEdit* m_text7;
    QPushButton* m_command7;
    Link& m_link;
    Logger& m_log;
    QByteArray m_constantsPayload;
    // The entry last taken into Text7 from a line filled from the payload: its index text, the
    // text put into Text7 and its 4 bytes. Empty once the operator edits the text.
    QString m_pickedTag;
    QString m_pickedText;
    QByteArray m_pickedBytes;
};
