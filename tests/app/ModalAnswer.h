#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal dialog of the given kind once it is shown, from a timer, as an
// operator would; the dialog is told to close after a while if the answer did not close it,
// so that a dialog left open fails the test instead of hanging it.
template <typename Dialog> class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(Dialog*)> answer) : m_answer(std::move(answer))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    bool answered() const { return m_answered; }
    QString title() const { return m_title; }

private:
    void poll()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<Dialog*>(widget);
            if (!dialog || !dialog->isVisible() || !dialog->isModal())
                continue;
            m_timer.stop();
            m_answered = true;
            m_title = dialog->windowTitle();
            QPointer<QDialog> open(dialog);
            m_answer(dialog);
            QTimer::singleShot(3000, dialog, [open] {
                if (open && open->isVisible())
                    open->done(-1);
            });
            return;
        }
    }

    std::function<void(Dialog*)> m_answer;
    QTimer m_timer;
    bool m_answered = false;
    QString m_title;
};
