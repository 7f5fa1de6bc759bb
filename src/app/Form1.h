#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class CockpitView;
class PictureBox;
class SerialControl;
class WindowTimer;

// The one window of the program: its frames, controls and timers, placed as designed
// (positions in twips, 15 twips to a pixel). The controls carry their names as objectName.
// Behaviour is wired by the application object, not here.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The outer width in twips: 12495 basic, 16710 with the advanced frame. The window is the
    // menu bar's height taller than the client area.
    void setOuterWidth(int twips);
    int outerWidth() const { return m_outerWidth; }

    static constexpr int kClientHeight = 7710;

    QMenuBar* MenuBar;
    // Holds every control at its designed place, below the menu bar.
    QWidget* Client;

    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QGroupBox* Frame5;
    QGroupBox* Frame6;

    QComboBox* Combo1;
    QComboBox* Combo2;
    QComboBox* Combo3;
    QCheckBox* Check4;
    QCheckBox* Check7;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command9;
    QPushButton* Command10;
    QPushButton* Command13;
    QPushButton* Command14;
    QPushButton* Command15;
    QPushButton* Command16;
    QPushButton* Command17;
    QPushButton* Command18;
    QLineEdit* Text1;
    QPlainTextEdit* Text2;
    QPlainTextEdit* Text3;
    QLineEdit* Text4;
    QPlainTextEdit* Text5;
    QLineEdit* Text7;
    QLineEdit* Text32;
    QListWidget* L;
    CockpitView* Cockpit;
    PictureBox* Route;
    PictureBox* MaskBoussole;
    PictureBox* P;
    PictureBox* BootProgress;

    WindowTimer* Timer1;
    WindowTimer* Timer2;
    WindowTimer* Timer3;
    WindowTimer* Timer11;
    WindowTimer* Timer12;
    WindowTimer* Timer13;

signals:
    // The window is asked to close (QueryUnload).
    void queryUnload();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int m_outerWidth = 0;
};
