#include "display/MagDial.h"

#include "display/DrawMagDial.h"
#include "display/PictureBox.h"
#include "display/PictureChange.h"

MagDial::MagDial(PictureBox& box) : m_box(box) {}

bool MagDial::draw(double u, double v)
{
    const double W1 = m_box.ScaleWidth() - 1;
    const double H1 = m_box.ScaleHeight() - 1;
    if (m_shown && m_box.image().cacheKey() == m_shownKey &&
        NeedleShift(m_shownU, m_shownV, u, v, W1, H1) < VisibleShift)
        return false;

    if (m_background.size() != m_box.image().size() || m_backgroundColour != m_box.BackColor()) {
        m_box.Cls();
        m_box.beginBatch();
        DrawMagDialFace(m_box);
        m_box.endBatch();
        m_background = m_box.image().copy();
        m_backgroundColour = m_box.BackColor();
    }
    m_box.beginBatch();
    m_box.PaintImage(m_background, 0, 0);
    DrawMagDialNeedle(m_box, u, v);
    m_box.endBatch();

    m_shown = true;
    m_shownU = u;
    m_shownV = v;
    m_shownKey = m_box.image().cacheKey();
    ++m_drawings;
    return true;
}
