#pragma once

#include <QColor>
#include <QImage>

class PictureBox;

// The magnetometer dial as the window keeps it: the picture of DrawMagDial, drawn again only
// when it would differ from the one shown (the needle's tip moving by half a pixel or more,
// the box resized or drawn over by someone else). The circles and the cross under the needle
// are kept as a prepared background.
class MagDial
{
public:
    explicit MagDial(PictureBox& box);

    // Shows the field (u, v) as DrawMagDial does. True when the dial was drawn, false when
    // the picture shown stays (it differs by less than half a pixel).
    bool draw(double u, double v);
    // Pictures drawn so far.
    long long drawings() const { return m_drawings; }

private:
    PictureBox& m_box;
    bool m_shown = false;
    double m_shownU = 0;
    double m_shownV = 0;
    // The box's image as the last drawing left it: another key means it changed since.
    qint64 m_shownKey = 0;
    QImage m_background;
    QColor m_backgroundColour;
    long long m_drawings = 0;
};
