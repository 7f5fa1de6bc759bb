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
    // The encoded copy of a HEX file, as the "Generate bin file" button makes it.
    QAction* generateBin;
    QAction* quit;
    QAction* plots;
    QAction* magneticField;
    QAction* allanDeviation;
    QAction* about;
    // Help > Check the Link...: the link doctor.
    QAction* checkLink;
};
