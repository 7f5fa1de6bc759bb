#include "app/MainMenu.h"

#include "app/Form1.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {
QAction* entry(QMenu* menu, const char* name, const QString& text, const char* keys)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    if (keys)
        action->setShortcut(QKeySequence(QLatin1String(keys)));
    return action;
}
} // namespace

MainMenu::MainMenu(Form1& form)
{
    QMenuBar* bar = form.MenuBar;
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    record = entry(file, "actionRecord", QStringLiteral("&Record..."), "Ctrl+R");
    replay = entry(file, "actionReplay", QStringLiteral("Re&play..."), "Ctrl+O");
    forwardLiveData =
        entry(file, "actionForwardLiveData", QStringLiteral("&Forward Live Data..."), "Ctrl+U");
    mirrorRawStream = entry(file, "actionMirrorRawStream", QStringLiteral("&Mirror Raw Stream..."),
                            "Ctrl+Shift+M");
    file->addSeparator();
    exportConstants =
        entry(file, "actionExportConstants", QStringLiteral("&Export Constants..."), "Ctrl+E");
    importConstants =
        entry(file, "actionImportConstants", QStringLiteral("&Import Constants..."), "Ctrl+I");
    file->addSeparator();
    generateBin =
        entry(file, "actionGenerateBin", QStringLiteral("&Generate bin file..."), "Ctrl+B");
    file->addSeparator();
    quit = entry(file, "actionQuit", QStringLiteral("&Quit"), "Ctrl+Q");

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    plots = entry(view, "actionPlots", QStringLiteral("&Plots"), "Ctrl+P");
    magneticField = entry(view, "actionMagneticField", QStringLiteral("&Magnetic Field"), "Ctrl+M");
    allanDeviation =
        entry(view, "actionAllanDeviation", QStringLiteral("&Allan Deviation"), "Ctrl+D");

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    checkLink = entry(help, "actionCheckLink", QStringLiteral("Check the &Link..."), "Ctrl+L");
    about = entry(help, "actionAbout", QStringLiteral("&About"), nullptr);
}
