#include "app/MenuKeys.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

MenuKeys::MenuKeys(QWidget& window, QMenuBar& bar, QObject* parent) : QObject(parent), m_bar(bar)
{
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(child) || qobject_cast<QPlainTextEdit*>(child) ||
            qobject_cast<QTextEdit*>(child) || qobject_cast<QComboBox*>(child) ||
            qobject_cast<QAbstractSpinBox*>(child))
            child->installEventFilter(this);
    }
}

bool MenuKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const QAction* action : m_bar.findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcut() == pressed) {
            // Not accepted: the box gives the key up and the shortcut runs.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
