#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

// Answers an open file dialog with the whole path typed as the name. selectFile() would not
// do: it changes the dialog's folder first, which its file system model may not have taken
// yet, and it leaves the name alone while the name box has the focus, so that on a loaded
// machine the dialog could be accepted with the name it suggested.
inline void TypeFileName(QFileDialog* dialog, const QString& path)
{
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}
