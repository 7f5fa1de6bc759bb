#include "app/SkyvaneApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Names the fallback folder of the settings (~/.config/skyvane) for an installed program
    // whose own folder cannot be written.
    QCoreApplication::setApplicationName(QStringLiteral("skyvane"));
    SkyvaneApp skyvane(QCoreApplication::applicationDirPath());
    skyvane.Load();
    return application.exec();
}
