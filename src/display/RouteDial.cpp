#include "display/RouteDial.h"

#include "display/DrawRoute.h"
#include "display/PictureBox.h"
#include "display/PictureChange.h"

RouteDial::RouteDial(PictureBox& box, const PictureBox& mask) : m_box(box), m_mask(mask) {}

bool RouteDial::draw(float& psi)
{
    RouteHeading(psi);
    const double h = psi;
    const double W1 = m_box.ScaleWidth() - 1;
    const double H1 = m_box.ScaleHeight() - 1;
    if (m_shown && m_box.image().cacheKey() == m_shownKey && (h >= 10) == (m_shownHeading >= 10) &&
        RouteShift(m_shownHeading, h, W1, H1) < VisibleShift)
        return false;

    SetRouteFont(m_box);
    if (!backgroundFits())
        prepareBackground();
    m_box.beginBatch();
    if (m_background.isNull())
        DrawRouteBackground(m_box, m_mask);
    else
        m_box.PaintImage(m_background, 0, 0);
    DrawRouteCard(m_box, h);
    m_box.endBatch();

    m_shown = true;
    m_shownHeading = h;
    m_shownKey = m_box.image().cacheKey();
    ++m_drawings;
    return true;
}

bool RouteDial::backgroundFits() const
{
    return !m_background.isNull() && m_background.size() == m_box.image().size() &&
           m_backgroundMaskKey == m_mask.image().cacheKey() &&
           m_backgroundColour == m_box.ForeColor();
}

void RouteDial::prepareBackground()
{
    m_background = QImage();
    // A mask smaller than the dial blanks only its own part: what lies beside it stays, so
    // the dial is then drawn in full every time.
    const QSize maskSize = m_mask.image().size();
    const QSize boxSize = m_box.image().size();
    if (maskSize.width() < boxSize.width() || maskSize.height() < boxSize.height())
        return;
    m_backgroundMaskKey = m_mask.image().cacheKey();
    m_backgroundColour = m_box.ForeColor();
    m_box.beginBatch();
    DrawRouteBackground(m_box, m_mask);
    m_box.endBatch();
    m_background = m_box.image().copy();
}
