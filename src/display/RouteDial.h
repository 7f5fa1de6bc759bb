#pragma once

#include <QColor>
#include <QImage>

class PictureBox;

// The route dial as the window keeps it: the picture of DrawRoute, drawn again only when it
// would differ from the one shown (the card turning a tick end or a label by half a pixel or
// more, the red cross coming or going, the box resized or drawn over by someone else). The
// fixed parts (the mask, the cross and the ellipses) are kept as a prepared background.
class RouteDial
{
public:
    RouteDial(PictureBox& box, const PictureBox& mask);

    // Shows heading psi; psi is written back as DrawRoute writes it. True when the dial was
    // drawn, false when the picture shown stays (it differs by less than half a pixel).
    bool draw(float& psi);
    // Pictures drawn so far.
    long long drawings() const { return m_drawings; }

private:
    bool backgroundFits() const;
    void prepareBackground();

    PictureBox& m_box;
    const PictureBox& m_mask;
    bool m_shown = false;
    double m_shownHeading = 0;
    // The box's image as the last drawing left it: another key means it changed since.
    qint64 m_shownKey = 0;
    QImage m_background;
    qint64 m_backgroundMaskKey = 0;
    QColor m_backgroundColour;
    long long m_drawings = 0;
};
