#pragma once

class Form1;
class QAction;

// The menu bar of the window: what users of such tools reach beyond the designed window.
// Holds the actions with their shortcuts; the application object connects them.
struct MainMenu
{
    explicit MainMenu(Form1& form);

    QAction* record;
    QAction* replay;
    QAction* forwardLiveData;
    QAction* mirrorRawStream;
    QAction* exportConstants;
    QAction* importConstants;
    QAction* quit;
    QAction* plots;
    QAction* magneticField;
    QAction* about;
};
