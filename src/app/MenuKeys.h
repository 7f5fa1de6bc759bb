#pragma once

#include <QObject>

class QMenuBar;
class QWidget;

// Makes the menu bar's shortcuts win over the editing keys of the window's text and combo boxes
// (a line edit on Linux takes Ctrl+U as "delete to the start of the line" and Ctrl+E as "to its
// end"), so that every entry's keys work wherever the focus is. Keys that no entry uses still
// edit the box.
class MenuKeys : public QObject
{
    Q_OBJECT
public:
    // Watches every editable box below window.
    MenuKeys(QWidget& window, QMenuBar& bar, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMenuBar& m_bar;
};
