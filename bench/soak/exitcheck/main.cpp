// The program wired exactly as the real one, except that closing the window returns from
// main instead of ending the process at once: objects are destroyed and the exit-time checks
// of a sanitizer build (LeakSanitizer) run. Used by bench_soak --leak-check.

#include "app/SkyvaneApp.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skyvane"));
    SkyvaneApp::Options options;
    options.programFolder = QCoreApplication::applicationDirPath();
    options.fallbackFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    options.endProgram = [] { QCoreApplication::quit(); };
    SkyvaneApp skyvane(options);
    skyvane.Load();
    return application.exec();
}
