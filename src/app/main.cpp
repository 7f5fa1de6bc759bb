#include "app/SkyvaneApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    SkyvaneApp skyvane(QCoreApplication::applicationDirPath());
    skyvane.Load();
    return application.exec();
}
