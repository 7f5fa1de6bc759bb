#pragma once

#include "constants/ConstantsTableFile.h"

#include <QList>
#include <QString>

class QWidget;

// The questions the window puts to the operator: the password box, the message boxes, the file
// dialogs and one-line boxes of the menu bar and the Import Constants confirmation. WindowPrompts
// shows the real dialogs; tests and benchmarks answer them themselves.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // The password for the advanced frame; Cancel gives the empty text.
    virtual QString askPassword() = 0;
    // A message box with the text and an OK button; also how a failed OpenGL set-up is told
    // when the prompts are not the window's own.
    virtual void showMessage(const QString& text) = 0;
    // A file to save, with a suggested path; "" when cancelled.
    virtual QString chooseSaveFile(const QString& title, const QString& suggested) = 0;
    // A file to open of the filter's kinds, the offered one chosen already ("" for none); ""
    // when cancelled.
    virtual QString chooseOpenFile(const QString& title, const QString& filter,
                                   const QString& offered) = 0;
    // A one-line box (Forward Live Data, Mirror Raw Stream) whose line edit has the focus,
    // offering a text; the answer trimmed, "" when cancelled.
    virtual QString askText(const QString& title, const QString& label, const QString& offered) = 0;
    // Whether the listed differences are to be sent.
    virtual bool confirmImport(const QList<ConstantDifference>& differences) = 0;
};

// The real dialogs, over the window.
class WindowPrompts : public Prompts
{
public:
    explicit WindowPrompts(QWidget& window) : m_window(window) {}

    QString askPassword() override;
    void showMessage(const QString& text) override;
    QString chooseSaveFile(const QString& title, const QString& suggested) override;
    QString chooseOpenFile(const QString& title, const QString& filter,
                           const QString& offered) override;
    QString askText(const QString& title, const QString& label, const QString& offered) override;
    bool confirmImport(const QList<ConstantDifference>& differences) override;

private:
    QWidget& m_window;
};
