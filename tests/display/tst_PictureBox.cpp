#include "display/PictureBox.h"

#include <QFontInfo>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Colours without alpha, as image pixels are compared.
const QRgb Black = 0x000000;
const QRgb White = 0xFFFFFF;
const QRgb Red = 0xFF0000;
const QRgb Blue = 0x0000FF;

QRgb at(const PictureBox& box, int x, int y)
{
    return box.image().pixel(x, y) & 0xFFFFFF;
}

int countColour(const QImage& image, const QRect& area, QRgb colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        }
    }
    return count;
}

// A white-on-black box of w x h pixels.
void prepare(PictureBox& box, int w, int h)
{
    box.resize(w, h);
    box.setBackColor(Qt::black);
    box.setForeColor(Qt::white);
    box.Cls();
}

} // namespace

class PictureBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void scaleIsInTwipsAndLinesLandOnTheirPixels();
    void clsFillsWithBackColourAndResetsTextPosition();
    void circleAspectPicksTheRadiusAxis();
    void fontSizeReadsBackTheRenderedSize();
    void printDrawsAtTheTextPositionAndMovesToTheNextLine();
    void lineBoxFilledAndOutlined();
    void paintPictureCopiesAtItsOwnSize();
    void drawWidthThickensLinesAndZeroLengthDrawsNothing();
    void wildCoordinatesAreClippedOrIgnored();
    void resizeKeepsTheDrawing();
};

void PictureBoxTest::scaleIsInTwipsAndLinesLandOnTheirPixels()
{
    PictureBox box;
    prepare(box, 100, 50);
    QCOMPARE(box.ScaleWidth(), 1500.0);
    QCOMPARE(box.ScaleHeight(), 750.0);
    QCOMPARE(box.image().size(), QSize(100, 50));

    box.Line(150, 300, 1350, 300, QColor(Qt::red));
    QCOMPARE(at(box, 50, 20), Red);
    QCOMPARE(at(box, 12, 20), Red);
    QCOMPARE(at(box, 50, 19), Black);
    QCOMPARE(at(box, 50, 21), Black);
    QCOMPARE(at(box, 5, 20), Black);
    QCOMPARE(at(box, 95, 20), Black);
    QCOMPARE(box.CurrentX(), 1350.0);
    QCOMPARE(box.CurrentY(), 300.0);

    // Without a colour the line takes ForeColor.
    box.Line(450, 0, 450, 750);
    QCOMPARE(at(box, 30, 40), White);
}

void PictureBoxTest::clsFillsWithBackColourAndResetsTextPosition()
{
    PictureBox box;
    prepare(box, 40, 30);
    box.Line(0, 0, 600, 450);
    box.setCurrentX(300);
    box.setCurrentY(200);
    box.setBackColor(QColor(0x80, 0x80, 0x80));
    box.Line(0, 0, 600, 450);
    box.Cls();
    QCOMPARE(box.CurrentX(), 0.0);
    QCOMPARE(box.CurrentY(), 0.0);
    QCOMPARE(countColour(box.image(), box.image().rect(), qRgb(0x80, 0x80, 0x80)), 40 * 30);
}

void PictureBoxTest::circleAspectPicksTheRadiusAxis()
{
    PictureBox box;
    prepare(box, 200, 200);
    // aspect < 1: the radius is horizontal (40 px), the vertical radius 20 px.
    box.Circle(1500, 1500, 600, QColor(Qt::red), 0.5);
    QCOMPARE(box.CurrentX(), 1500.0);
    QCOMPARE(countColour(box.image(), QRect(138, 98, 5, 5), Red) > 0, true);
    QCOMPARE(countColour(box.image(), QRect(58, 98, 5, 5), Red) > 0, true);
    QCOMPARE(countColour(box.image(), QRect(98, 78, 5, 5), Red) > 0, true);
    QCOMPARE(countColour(box.image(), QRect(98, 58, 5, 5), Red), 0);
    QCOMPARE(at(box, 100, 100), Black);

    // aspect > 1: the radius is vertical (40 px), the horizontal radius 20 px.
    box.Cls();
    box.Circle(1500, 1500, 600, std::nullopt, 2.0);
    QCOMPARE(countColour(box.image(), QRect(98, 58, 5, 5), White) > 0, true);
    QCOMPARE(countColour(box.image(), QRect(118, 98, 5, 5), White) > 0, true);
    QCOMPARE(countColour(box.image(), QRect(138, 98, 5, 5), White), 0);
}

void PictureBoxTest::fontSizeReadsBackTheRenderedSize()
{
    PictureBox box;
    box.setFontSize(8);
    QCOMPARE(box.FontSize(), 8.25);
    QCOMPARE(QFontInfo(box.textFont()).pixelSize(), 11);
    box.setFontSize(12);
    QCOMPARE(box.FontSize(), 12.0);
    box.setFontSize(10);
    QCOMPARE(box.FontSize(), 9.75);

    // An unknown face still renders through the platform's substitute.
    box.setFontName("MS Sherif");
    box.setFontSize(8);
    QCOMPARE(box.FontName(), QString("MS Sherif"));
    QVERIFY(!QFontInfo(box.textFont()).family().isEmpty());
    prepare(box, 60, 30);
    box.Print("N");
    QVERIFY(countColour(box.image(), box.image().rect(), White) > 5);
}

void PictureBoxTest::printDrawsAtTheTextPositionAndMovesToTheNextLine()
{
    PictureBox box;
    prepare(box, 120, 80);
    box.setFontSize(12);
    box.setCurrentX(300);
    box.setCurrentY(150);
    box.Print("WM");
    const QImage& image = box.image();
    QCOMPARE(countColour(image, QRect(0, 0, 120, 10), White), 0);
    QCOMPARE(countColour(image, QRect(0, 0, 20, 80), White), 0);
    QVERIFY(countColour(image, QRect(20, 10, 30, 17), White) > 20);
    QCOMPARE(box.CurrentX(), 0.0);
    const double lineHeight = QFontMetricsF(box.textFont()).height() * 15;
    QCOMPARE(box.CurrentY(), 150 + lineHeight);
    QVERIFY(lineHeight >= 16 * 15);

    box.setForeColor(Qt::red);
    box.Print("WM");
    QVERIFY(countColour(box.image(), QRect(0, 28, 30, 20), Red) > 20);
}

void PictureBoxTest::lineBoxFilledAndOutlined()
{
    PictureBox box;
    prepare(box, 100, 20);
    const QColor blue(0, 0, 255);
    box.LineBox(0, 0, box.ScaleWidth() * 0.5, box.ScaleHeight(), blue, true);
    QCOMPARE(countColour(box.image(), QRect(0, 0, 50, 20), Blue), 50 * 20);
    QCOMPARE(countColour(box.image(), QRect(50, 0, 50, 20), Black), 50 * 20);

    box.Cls();
    box.LineBox(150, 60, 900, 240, blue, false);
    QCOMPARE(at(box, 30, 4), Blue);
    QCOMPARE(at(box, 10, 10), Blue);
    QCOMPARE(at(box, 60, 10), Blue);
    QCOMPARE(at(box, 30, 10), Black);
}

void PictureBoxTest::paintPictureCopiesAtItsOwnSize()
{
    PictureBox mask;
    mask.resize(50, 20);
    mask.setBackColor(Qt::black);
    PictureBox box;
    box.resize(100, 50);
    box.setBackColor(Qt::white);
    box.PaintPicture(mask, 150, 150);
    QCOMPARE(countColour(box.image(), QRect(10, 10, 50, 20), Black), 50 * 20);
    QCOMPARE(countColour(box.image(), box.image().rect(), Black), 50 * 20);
}

void PictureBoxTest::drawWidthThickensLinesAndZeroLengthDrawsNothing()
{
    PictureBox box;
    prepare(box, 60, 60);
    box.setDrawWidth(3);
    box.Line(150, 450, 750, 450);
    QCOMPARE(at(box, 30, 29), White);
    QCOMPARE(at(box, 30, 30), White);
    QCOMPARE(at(box, 30, 31), White);
    QCOMPARE(at(box, 30, 27), Black);
    QCOMPARE(at(box, 30, 33), Black);

    box.Cls();
    box.Line(450, 450, 450, 450, QColor(Qt::red));
    QCOMPARE(countColour(box.image(), box.image().rect(), Red), 0);
    QCOMPARE(box.CurrentX(), 450.0);
}

void PictureBoxTest::wildCoordinatesAreClippedOrIgnored()
{
    PictureBox box;
    prepare(box, 50, 50);
    box.setDrawWidth(3);
    // A huge line still shows its visible part, along the diagonal.
    box.Line(0, 0, 1e12, 1e12, QColor(Qt::red));
    QCOMPARE(at(box, 25, 25), Red);
    QCOMPARE(at(box, 25, 5), Black);
    box.Line(-1e15, 300, 1e15, 300, QColor(Qt::red));
    QCOMPARE(at(box, 40, 20), Red);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    box.Cls();
    box.Line(nan, 0, 300, 300, QColor(Qt::red));
    box.Line(0, 0, inf, 300, QColor(Qt::red));
    box.Circle(300, 300, inf, QColor(Qt::red));
    box.Circle(300, 300, 1e13, QColor(Qt::red));
    box.LineBox(0, 0, nan, 300, QColor(Qt::red), true);
    box.setCurrentX(1e14);
    box.Print("far");
    box.setCurrentX(nan);
    box.Print("nan");
    box.PaintPicture(box, 1e14, 0);
    QCOMPARE(countColour(box.image(), box.image().rect(), Black), 50 * 50);
}

void PictureBoxTest::resizeKeepsTheDrawing()
{
    PictureBox box;
    prepare(box, 30, 30);
    box.Line(0, 150, 450, 150, QColor(Qt::red));
    box.resize(60, 40);
    QCOMPARE(box.image().size(), QSize(60, 40));
    QCOMPARE(at(box, 15, 10), Red);
    QCOMPARE(at(box, 45, 35), Black);
}

#include "support/TestMain.h"

QTEST_MAIN(PictureBoxTest)
#include "tst_PictureBox.moc"
