#include "app/ConstantsDiffDialog.h"
#include "app/Prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

QString WindowPrompts::askPassword()
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(&m_window, QStringLiteral("Password"),
                              QStringLiteral("You need a password to show advanced settings."),
                              QLineEdit::Password, QString(), &ok);
    return ok ? answer : QString();
}

void WindowPrompts::showMessage(const QString& text)
{
    // The text and an OK button, no icon.
    QMessageBox box(QMessageBox::NoIcon, m_window.windowTitle(), text, QMessageBox::Ok, &m_window);
    box.exec();
}

QString WindowPrompts::chooseSaveFile(const QString& title, const QString& suggested)
{
    return QFileDialog::getSaveFileName(&m_window, title, suggested,
                                        QStringLiteral("CSV files (*.csv)"));
}

QString WindowPrompts::chooseOpenFile(const QString& title, const QString& filter,
                                      const QString& offered)
{
    // A file's path as the folder to start in selects that file.
    return QFileDialog::getOpenFileName(&m_window, title, offered, filter);
}

QString WindowPrompts::askText(const QString& title, const QString& label, const QString& offered)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(&m_window, title, label, QLineEdit::Normal, offered, &ok);
    return ok ? text.trimmed() : QString();
}

bool WindowPrompts::confirmImport(const QList<ConstantDifference>& differences)
{
    ConstantsDiffDialog dialog(differences, &m_window);
    return dialog.exec() == QDialog::Accepted;
}
