#include "plots/FileChoice.h"

#include <QFileDialog>

QString chooseFileToOpen(QWidget* parent, const OpenChooser& chooser, const QString& title,
                         const QString& filter)
{
    return chooser ? chooser() : QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString chooseFileToSave(QWidget* parent, const SaveChooser& chooser, const QString& title,
                         const QString& suggested, const QString& filter)
{
    return chooser ? chooser(suggested)
                   : QFileDialog::getSaveFileName(parent, title, suggested, filter);
}
