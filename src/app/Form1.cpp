#include "app/Form1.h"

#include "core/WindowTimer.h"
#include "display/CockpitView.h"
#include "display/PictureBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int kTwipsPerPixel = 15;
// Window borders take this much of the outer width.
constexpr int kBorderTwips = 120;

int px(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

template <typename W> W* place(W* w, const char* name, int left, int top, int width, int height)
{
    w->setObjectName(QLatin1String(name));
    w->setGeometry(px(left), px(top), px(width), px(height));
    return w;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h)
{
    return place(new QGroupBox(QString::fromLatin1(caption), parent), name, l, t, w, h);
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int l, int t, int w,
                    int h)
{
    auto* b = place(new QPushButton(QString::fromLatin1(caption), parent), name, l, t, w, h);
    b->setAutoDefault(false);
    return b;
}

QComboBox* combo(QWidget* parent, const char* name, const char* text, int l, int t, int w, int h)
{
    auto* c = place(new QComboBox(parent), name, l, t, w, h);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    // Typed text is taken as typed: no completion from the list ("1" must not become "100ms").
    c->setCompleter(nullptr);
    c->setEditText(QString::fromLatin1(text));
    return c;
}

void colours(QWidget* w, const QColor& fore, const QColor& back)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Text, fore);
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::WindowText, fore);
    pal.setColor(QPalette::Window, back);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QPlainTextEdit* multiLine(QWidget* parent, const char* name, int l, int t, int w, int h)
{
    auto* e = place(new QPlainTextEdit(parent), name, l, t, w, h);
    colours(e, QColor(0xFF, 0xFF, 0x00), Qt::black);
    // Like a multi-line text box without a horizontal bar, long lines wrap.
    e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return e;
}

QLineEdit* courierBox(QWidget* parent, const char* name, const char* text, int l, int t, int w,
                      int h)
{
    auto* e = place(new QLineEdit(QString::fromLatin1(text), parent), name, l, t, w, h);
    // Courier is there on Windows (as a bitmap face) and matched by fontconfig on Linux; the
    // others are for a system that has no such face, where the style hint alone may pick a
    // face without these letters (Wine does: its fonts then give a symbol face).
    QFont font;
    font.setFamilies({QStringLiteral("Courier"), QStringLiteral("Courier New"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setPointSize(12);
    font.setStyleHint(QFont::TypeWriter);
    e->setFont(font);
    e->setReadOnly(true);
    colours(e, Qt::black, QColor(0xFF, 0x00, 0x00));
    return e;
}

PictureBox* pictureBox(QWidget* parent, const char* name, const QColor& back, int l, int t, int w,
                       int h)
{
    auto* p = place(new PictureBox(parent), name, l, t, w, h);
    p->setBackColor(back);
    p->Cls();
    return p;
}

} // namespace

Form1::Form1(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("VELTIS - Skyvane 6.0"));
    // The layout was designed around a small 8-point face; larger ones clip the captions.
    // Liberation Sans has Arial's metrics: Windows, which lacks it, gets Arial itself.
    QFont smallFont;
    smallFont.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    smallFont.setPointSize(8);
    smallFont.setStyleHint(QFont::SansSerif);
    setFont(smallFont);

    // The extras sit in a menu bar above the client area, which keeps its designed layout.
    MenuBar = new QMenuBar(this);
    MenuBar->setObjectName(QStringLiteral("MenuBar"));
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));

    Frame1 = frame(Client, "Frame1", "Connection Settings:", 0, 0, 4815, 1215);
    Combo1 = combo(Frame1, "Combo1", "COM1", 120, 240, 975, 315);
    Combo2 = combo(Frame1, "Combo2", "", 1200, 240, 975, 315);
    Combo3 = combo(Frame1, "Combo3", "33ms", 2280, 240, 975, 315);
    Check4 = place(new QCheckBox(QStringLiteral("Automatic Connection"), Frame1), "Check4", 120,
                   600, 1935, 255);
    Check7 = place(new QCheckBox(QStringLiteral("Data communication"), Frame1), "Check7", 120, 840,
                   2295, 255);
    Command2 = button(Frame1, "Command2", "Connection", 3360, 240, 1335, 345);
    Command3 = button(Frame1, "Command3", "Disconnection", 3360, 720, 1335, 345);

    Frame2 = frame(Client, "Frame2", "Commands:", 0, 1320, 4815, 855);
    Command1 = button(Frame2, "Command1", "Alignment", 120, 360, 1455, 375);
    Command9 = button(Frame2, "Command9", "Hardware Reset", 1680, 360, 1455, 375);
    Command15 = button(Frame2, "Command15", "Advanced...", 3240, 360, 1455, 375);

    Frame6 = frame(Client, "Frame6", "Calibration :", 0, 2280, 4815, 1335);
    Command16 = button(Frame6, "Command16", "Accelerometers", 120, 360, 1455, 375);
    Command17 = button(Frame6, "Command17", "Gyrometers", 1680, 360, 1455, 375);
    Command18 = button(Frame6, "Command18", "Magnetometers", 3240, 360, 1455, 375);
    Text5 = multiLine(Frame6, "Text5", 120, 840, 4575, 375);

    Frame3 = frame(Client, "Frame3", "Magnetometers:", 0, 3720, 4815, 2295);
    P = pictureBox(Frame3, "P", Qt::black, 120, 240, 1935, 1935);
    Text3 = multiLine(Frame3, "Text3", 2160, 240, 2535, 1965);

    Text32 = courierBox(Client, "Text32", "No Data", 0, 6120, 2055, 360);
    Text4 = courierBox(Client, "Text4", "Disconnected", 2160, 6120, 2655, 360);
    Text2 = multiLine(Client, "Text2", 0, 6600, 4850, 1125);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setReadOnly(true);
    Text2->setMaximumBlockCount(0);

    Cockpit = place(new CockpitView(Client), "Cockpit", 4920, 0, 7455, 4815);
    MaskBoussole = pictureBox(Client, "MaskBoussole", Qt::black, 4920, 4800, 7455, 2895);
    Route = pictureBox(Client, "Route", QColor(0x80, 0x80, 0x80), 4920, 4800, 7455, 2895);
    Route->setForeColor(Qt::white);
    // The dial is drawn on Route; its black companion stays underneath, out of sight.
    MaskBoussole->lower();
    Route->raise();
    Command6 = button(Client, "Command6", "Generate bin file", 2040, 8520, 2415, 375);

    Frame5 = frame(Client, "Frame5", "Advanced Settings:", 12480, 0, 4095, 7695);
    Text7 = place(new QLineEdit(Frame5), "Text7", 120, 240, 1335, 285);
    Command7 = button(Frame5, "Command7", "Send", 1560, 240, 975, 285);
    Command10 = button(Frame5, "Command10", "Get Constants", 2640, 240, 1335, 285);
    Command14 = button(Frame5, "Command14", "Read From Flash", 120, 600, 1935, 285);
    Command13 = button(Frame5, "Command13", "Save to Flash", 2160, 600, 1815, 285);
    L = place(new QListWidget(Frame5), "L", 120, 960, 3855, 4935);
    Command8 = button(Frame5, "Command8", "Start/Stop Trame", 120, 6000, 1935, 375);
    Text1 = place(new QLineEdit(Frame5), "Text1", 120, 6720, 3375, 285);
    colours(Text1, QColor(0xFF, 0xFF, 0x00), Qt::black);
    Command5 = button(Frame5, "Command5", "...", 3600, 6720, 375, 300);
    Command4 = button(Frame5, "Command4", "Download Firmware", 120, 7080, 3855, 320);
    BootProgress = pictureBox(Frame5, "BootProgress", Qt::white, 120, 7485, 3855, 135);

    Timer1 = new WindowTimer(QStringLiteral("Timer1"), 500, true, this);
    Timer2 = new WindowTimer(QStringLiteral("Timer2"), 1, false, this);
    Timer3 = new WindowTimer(QStringLiteral("Timer3"), 500, false, this);
    Timer11 = new WindowTimer(QStringLiteral("Timer11"), 1000, true, this);
    Timer12 = new WindowTimer(QStringLiteral("Timer12"), 33, true, this);
    Timer13 = new WindowTimer(QStringLiteral("Timer13"), 10000, true, this);
    // The data request keeps its rate and "No Data" comes one second after the last frame.
    Timer11->setPrecise(true);
    Timer12->setPrecise(true);

    setOuterWidth(12495);
}

Form1::~Form1() = default;

void Form1::setOuterWidth(int twips)
{
    m_outerWidth = twips;
    const int width = px(twips - kBorderTwips);
    const int menuHeight = MenuBar->sizeHint().height();
    MenuBar->setGeometry(0, 0, width, menuHeight);
    Client->setGeometry(0, menuHeight, width, px(kClientHeight));
    setFixedSize(width, menuHeight + px(kClientHeight));
}

void Form1::closeEvent(QCloseEvent* event)
{
    emit queryUnload();
    event->accept();
}
