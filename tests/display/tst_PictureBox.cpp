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

// The pixels of one row that are in the colour, as a string of '#' and '.'.
QString rowPattern(const QImage& image, int y, QRgb colour)
{
    QString row;
    for (int x = 0; x < image.width(); ++x) {
        row += (image.pixel(x, y) & 0xFFFFFF) == colour ? QLatin1Char('#') : QLatin1Char('.');
    }
    return row;
}

// The rows the drawing's ink reaches, from the first to the last.
int inkHeight(const QImage& image, QRgb colour)
{
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (countColour(image, QRect(0, y, image.width(), 1), colour) > 0) {
            if (top < 0) {
                top = y;
            }
            bottom = y;
        }
    }
    return top < 0 ? 0 : bottom - top + 1;
}

// Counts its paints.
class CountingBox : public PictureBox
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        PictureBox::paintEvent(event);
    }
};

// One of each drawing call, for comparing a batch with single calls.
void drawEverything(PictureBox& box, const PictureBox& source)
{
    box.Line(0, 0, 1500, 750, QColor(Qt::red));
    box.LineBox(150, 150, 600, 450, QColor(Qt::blue), true);
    box.LineBox(750, 150, 1200, 600, QColor(Qt::yellow), false);
    box.Circle(900, 450, 300);
    box.PaintPicture(source, 1200, 60);
    box.setCurrentX(30);
    box.setCurrentY(400);
    box.Print("Batch 12");
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
    void drawStylesBreakOnlyThinLines();
    void lineWidthAndStyleAreKeptInRange();
    void fontRequestsOutsideTheRangeAndRepeats();
    void aNewFontPrintsTheTextsAgain();
    void manyDifferentTextsAllPrint();
    void drawingsWhollyOutsideLeaveThePicture();
    void aBatchDrawsTheSamePixels();
    void aBatchRepaintsOnceAndOnlyWhenSomethingChanged();
    void repaintsShowTheDrawing();
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
    // Any one coordinate that is not a number is enough.
    box.Line(0, nan, 300, 300, QColor(Qt::red));
    box.Line(0, 0, 300, -inf, QColor(Qt::red));
    box.LineBox(nan, 0, 300, 300, QColor(Qt::red), true);
    box.LineBox(0, 0, 300, inf, QColor(Qt::red), false);
    box.Circle(nan, 300, 150, QColor(Qt::red));
    box.Circle(300, inf, 150, QColor(Qt::red));
    box.Circle(300, 300, 150, QColor(Qt::red), nan);
    box.PaintPicture(box, nan, 0);
    box.PaintPicture(box, 0, -inf);
    // A flat ellipse too tall to draw, however narrow.
    box.Circle(300, 300, 1e8, QColor(Qt::red), 1e6);
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

// Dash, dot, dash-dot and dash-dot-dot break a line one pixel wide, each in its own way;
// transparent draws nothing; inside solid and any line wider than a pixel stay solid.
void PictureBoxTest::drawStylesBreakOnlyThinLines()
{
    PictureBox box;
    QStringList patterns;
    for (int style = 0; style <= 6; ++style) {
        prepare(box, 120, 10);
        box.setDrawStyle(style);
        box.Line(0, 75, 1800, 75);
        patterns.append(rowPattern(box.image(), 5, White));
    }
    const QString solid(120, QLatin1Char('#'));
    QCOMPARE(patterns[0], solid);
    QCOMPARE(patterns[6], solid);
    QCOMPARE(patterns[5], QString(120, QLatin1Char('.')));
    for (int style = 1; style <= 4; ++style) {
        const int ink = int(patterns[style].count(QLatin1Char('#')));
        QVERIFY2(ink > 20 && ink < 110, qPrintable(patterns[style]));
        for (int other = 0; other < style; ++other) {
            QVERIFY2(patterns[style] != patterns[other],
                     qPrintable(QString("styles %1 and %2").arg(style).arg(other)));
        }
    }
    // Three pixels wide, a dashed line is solid.
    prepare(box, 120, 10);
    box.setDrawStyle(1);
    box.setDrawWidth(3);
    box.Line(0, 75, 1800, 75);
    for (int y = 4; y <= 6; ++y) {
        QCOMPARE(rowPattern(box.image(), y, White), solid);
    }
    // Transparent draws no circle either.
    prepare(box, 60, 60);
    box.setDrawStyle(5);
    box.Circle(450, 450, 300);
    QCOMPARE(countColour(box.image(), box.image().rect(), White), 0);
    QCOMPARE(box.CurrentX(), 450.0);
}

void PictureBoxTest::lineWidthAndStyleAreKeptInRange()
{
    PictureBox box;
    box.setDrawWidth(0);
    QCOMPARE(box.DrawWidth(), 1);
    box.setDrawWidth(-4);
    QCOMPARE(box.DrawWidth(), 1);
    box.setDrawWidth(5);
    QCOMPARE(box.DrawWidth(), 5);
    box.setDrawStyle(9);
    QCOMPARE(box.DrawStyle(), 6);
    box.setDrawStyle(-1);
    QCOMPARE(box.DrawStyle(), 0);
    box.setDrawStyle(3);
    QCOMPARE(box.DrawStyle(), 3);
}

// A size that is not a number is ignored; sizes are held between 1 and 2048 points; asking
// again for the face or size there is changes nothing.
void PictureBoxTest::fontRequestsOutsideTheRangeAndRepeats()
{
    PictureBox box;
    box.setFontSize(8);
    box.setFontSize(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(box.FontSize(), 8.25);
    box.setFontSize(std::numeric_limits<double>::infinity());
    QCOMPARE(box.FontSize(), 8.25);
    box.setFontSize(0.1);
    QCOMPARE(box.FontSize(), 0.75);
    QCOMPARE(box.textFont().pixelSize(), 1);
    box.setFontSize(5000);
    QCOMPARE(box.FontSize(), 2048.25);
    QCOMPARE(box.textFont().pixelSize(), 2731);
    box.setFontSize(8.2);
    QCOMPARE(box.textFont().pixelSize(), 11);
    box.setFontSize(8.1);
    QCOMPARE(box.FontSize(), 8.25);
    box.setFontName("MS Sans Serif");
    QCOMPARE(box.FontName(), QString("MS Sans Serif"));
    QCOMPARE(box.textFont().family(), QString("MS Sans Serif"));
    QCOMPARE(box.textFont().pixelSize(), 11);
    QVERIFY(box.textFont().styleStrategy() & QFont::NoAntialias);
}

// A text printed before in another font is laid out again in the new one.
void PictureBoxTest::aNewFontPrintsTheTextsAgain()
{
    PictureBox box;
    prepare(box, 200, 120);
    box.setFontSize(8);
    box.Print("HH");
    const int small = inkHeight(box.image(), White);
    const double smallLine = box.CurrentY();
    box.Cls();
    box.setFontSize(24);
    box.Print("HH");
    const int large = inkHeight(box.image(), White);
    QVERIFY2(large > 2 * small, qPrintable(QString("%1 then %2 rows").arg(small).arg(large)));
    QVERIFY(box.CurrentY() > 2 * smallLine);

    box.Cls();
    box.setFontSize(8);
    box.setFontName("DejaVu Serif");
    box.Print("HH");
    QCOMPARE(box.textFont().family(), QString("DejaVu Serif"));
    QVERIFY(inkHeight(box.image(), White) < large);
}

// A box printing ever new texts (a counter) still prints each one as it should.
void PictureBoxTest::manyDifferentTextsAllPrint()
{
    PictureBox box;
    prepare(box, 80, 20);
    PictureBox fresh;
    prepare(fresh, 80, 20);
    for (int k = 0; k < 600; ++k) {
        box.Cls();
        box.Print(QString::number(k));
        if (k % 100 == 99 || k == 256 || k == 257) {
            fresh.Cls();
            fresh.Print(QString::number(k));
            QCOMPARE(box.image(), fresh.image());
            QVERIFY(countColour(box.image(), box.image().rect(), White) > 10);
        }
    }
    box.Cls();
    box.Print("0");
    fresh.Cls();
    fresh.Print("0");
    QCOMPARE(box.image(), fresh.image());
}

// Lines, boxes, circles and pictures that lie wholly outside draw nothing; the text position
// still moves as for a drawing.
void PictureBoxTest::drawingsWhollyOutsideLeaveThePicture()
{
    PictureBox box;
    prepare(box, 50, 50);
    const QImage blank = box.image();
    box.Line(-300, 0, -300, 750);
    QCOMPARE(box.CurrentX(), -300.0);
    box.Line(0, 900, 750, 900);
    box.Line(900, 0, 1500, -600);
    box.Line(-150, 300, -750, 900);
    box.LineBox(900, 900, 1200, 1200, QColor(Qt::red), true);
    QCOMPARE(box.CurrentX(), 1200.0);
    QCOMPARE(box.CurrentY(), 1200.0);
    box.LineBox(-900, -900, -600, -600, QColor(Qt::red), false);
    box.Circle(-600, 300, 150);
    box.Circle(300, 1500, 150);
    box.PaintPicture(box, 0, 1e14);
    box.setCurrentX(300);
    box.setCurrentY(-600);
    box.Print("above");
    QCOMPARE(box.CurrentY(), -600 + QFontMetricsF(box.textFont()).height() * 15);
    QCOMPARE(box.image(), blank);

    // Just inside, each of them shows.
    box.Line(0, 735, 750, 735);
    QCOMPARE(at(box, 10, 49), White);
    box.Circle(-135, 300, 150);
    QVERIFY(countColour(box.image(), QRect(0, 10, 2, 20), White) > 0);
}

void PictureBoxTest::aBatchDrawsTheSamePixels()
{
    PictureBox source;
    source.resize(20, 10);
    source.setBackColor(Qt::green);
    PictureBox single;
    prepare(single, 100, 50);
    single.Line(0, 600, 1500, 600, QColor(Qt::red));
    PictureBox batched;
    prepare(batched, 100, 50);
    batched.Line(0, 600, 1500, 600, QColor(Qt::red));

    single.Cls();
    drawEverything(single, source);
    batched.beginBatch();
    // A second begin joins the batch under way.
    batched.beginBatch();
    batched.Cls();
    QCOMPARE(batched.CurrentX(), 0.0);
    drawEverything(batched, source);
    batched.endBatch();
    batched.endBatch();
    QCOMPARE(batched.image(), single.image());
    QCOMPARE(countColour(batched.image(), batched.image().rect(), 0x00FF00), 20 * 10);
    // After the batch, single calls draw again.
    batched.Line(0, 15, 1500, 15, QColor(Qt::red));
    QCOMPARE(at(batched, 50, 1), Red);
}

void PictureBoxTest::aBatchRepaintsOnceAndOnlyWhenSomethingChanged()
{
    CountingBox box;
    prepare(box, 100, 50);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTRY_VERIFY(box.paints > 0);
    QTest::qWait(50);

    int before = box.paints;
    box.beginBatch();
    for (int k = 0; k < 10; ++k) {
        box.Line(0, k * 60, 1500, k * 60);
    }
    QTest::qWait(50);
    QCOMPARE(box.paints, before);
    box.endBatch();
    QTRY_VERIFY(box.paints > before);
    QTest::qWait(50);
    QCOMPARE(box.paints, before + 1);

    // A batch that drew nothing asks for no repaint.
    before = box.paints;
    box.beginBatch();
    box.Line(-300, 0, -300, 750);
    box.Circle(-600, 300, 150);
    box.endBatch();
    QTest::qWait(100);
    QCOMPARE(box.paints, before);

    // Outside a batch a drawing repaints.
    box.Line(0, 300, 1500, 300);
    QTRY_VERIFY(box.paints > before);
}

// What the widget shows is the drawing.
void PictureBoxTest::repaintsShowTheDrawing()
{
    PictureBox box;
    prepare(box, 60, 40);
    box.Line(0, 300, 900, 300, QColor(Qt::red));
    box.Circle(450, 300, 150, QColor(Qt::blue));
    const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(60, 40));
    // The drawing is there (a blank repaint of a blank image would match too).
    QCOMPARE(shown.pixelColor(5, 20), QColor(Qt::red));
    int blue = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            blue += shown.pixelColor(x, y) == QColor(Qt::blue) ? 1 : 0;
    QVERIFY(blue > 20);
    QCOMPARE(shown, box.image());
}

#include "support/TestMain.h"

QTEST_MAIN(PictureBoxTest)
#include "tst_PictureBox.moc"
