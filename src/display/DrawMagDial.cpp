#include "display/DrawMagDial.h"

#include "display/PictureBox.h"

namespace {

float f(double value)
{
    return static_cast<float>(value);
}

void printAt(PictureBox& box, double x, double y, const QString& text)
{
    box.setCurrentX(f(x));
    box.setCurrentY(f(y));
    box.Print(text);
}

} // namespace

void DrawMagDialFace(PictureBox& box)
{
    const QColor white(255, 255, 255);
    const float W1 = f(box.ScaleWidth() - 1);
    const float H1 = f(box.ScaleHeight() - 1);
    const double s = 0.7;

    box.setDrawWidth(1);
    box.Circle(f(W1 / 2.0), f(H1 / 2.0), f(s * W1 / 2), white);
    box.Circle(f(W1 / 2.0), f(H1 / 2.0), f(s * W1 / 4), white);

    box.Line(f(0.2 * W1), f(H1 / 2.0), f(0.8 * W1), f(H1 / 2.0), white);
    box.Line(f(W1 / 2.0), f(0.2 * H1), f(W1 / 2.0), f(0.8 * H1), white);
}

void DrawMagDialNeedle(PictureBox& box, double u, double v)
{
    const QColor white(255, 255, 255);
    const QColor yellow(255, 255, 0);
    const float W1 = f(box.ScaleWidth() - 1);
    const float H1 = f(box.ScaleHeight() - 1);
    const double s = 0.7;

    box.setDrawWidth(3);
    box.Line(f(W1 / 2.0), f(H1 / 2.0), f(W1 / 2.0 - u * s * W1 / 2), f(H1 / 2.0 - v * s * H1 / 2),
             yellow);

    box.setForeColor(white);
    printAt(box, 0.46 * W1, 0.015 * H1, QStringLiteral("N"));
    printAt(box, 0.46 * W1, 0.88 * H1, QStringLiteral("S"));
    printAt(box, 0.9 * W1, 0.44 * H1, QStringLiteral("E"));
    printAt(box, 0.03 * W1, 0.44 * H1, QStringLiteral("W"));

    box.setDrawWidth(2);
    box.Line(0, 0, 0, H1);
    box.Line(0, 0, W1, 0);
    box.Line(W1, 0, W1, H1);
    box.Line(0, H1, W1, H1);
}

void DrawMagDial(PictureBox& box, double u, double v)
{
    box.Cls();
    box.beginBatch();
    DrawMagDialFace(box);
    DrawMagDialNeedle(box, u, v);
    box.endBatch();
}
