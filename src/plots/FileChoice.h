#pragma once

#include <QString>

#include <functional>

class QWidget;

// The views' file dialogs. Tests set a chooser in place of the dialog; without one, Qt's dialog
// asks. An empty path means the user cancelled.
using OpenChooser = std::function<QString()>;
using SaveChooser = std::function<QString(const QString& suggested)>;

QString chooseFileToOpen(QWidget* parent, const OpenChooser& chooser, const QString& title,
                         const QString& filter);
QString chooseFileToSave(QWidget* parent, const SaveChooser& chooser, const QString& title,
                         const QString& suggested, const QString& filter);
