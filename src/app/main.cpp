// SPDX-License-Identifier: GPL-3.0-or-later
#include "SkyvaneVersion.h"
#include "app/SkyvaneApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Names the fallback folder of the settings (~/.config/skyvane on Linux) for an installed
    // program whose own folder cannot be written.
    QCoreApplication::setApplicationName(QStringLiteral("skyvane"));
    // The About box shows it.
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYVANE_VERSION));
    SkyvaneApp skyvane(QCoreApplication::applicationDirPath());
    skyvane.Load();
    return application.exec();
}
