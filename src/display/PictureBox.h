#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

// A drawing surface in twips (15 twips make one pixel) with a persistent image: what is drawn
// stays until it is cleared or drawn over, and repaints only show the image. Lines, circles
// and text use the classic picture-box state: DrawWidth, DrawStyle, ForeColor, the text
// position CurrentX/CurrentY and the font. Drawing is aliased, pixel by pixel.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    static constexpr double TwipsPerPixel = 15.0;

    explicit PictureBox(QWidget* parent = nullptr);

    // Size of the drawing area in twips.
    double ScaleWidth() const { return width() * TwipsPerPixel; }
    double ScaleHeight() const { return height() * TwipsPerPixel; }

    QColor BackColor() const { return m_backColor; }
    // Like the classic control, a new back colour erases the drawing.
    void setBackColor(const QColor& color);
    QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor& color) { m_foreColor = color; }
    // Line thickness in pixels (at least 1).
    int DrawWidth() const { return m_drawWidth; }
    void setDrawWidth(int pixels);
    // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 transparent, 6 inside solid.
    // Broken styles apply to lines one pixel wide only.
    int DrawStyle() const { return m_drawStyle; }
    void setDrawStyle(int style);

    double CurrentX() const { return m_currentX; }
    void setCurrentX(double x) { m_currentX = x; }
    double CurrentY() const { return m_currentY; }
    void setCurrentY(double y) { m_currentY = y; }

    QString FontName() const { return m_fontName; }
    void setFontName(const QString& name);
    // The size actually rendered: the request is rounded to whole pixels at 96 dpi, so 8
    // points read back as 8.25.
    double FontSize() const { return m_fontPixels * 72.0 / 96.0; }
    void setFontSize(double points);
    // The font text is printed with (the face the platform substitutes for FontName).
    QFont textFont() const { return m_font; }

    // Fills the drawing with the back colour and puts the text position at the top left.
    void Cls();
    // A line in the given colour (ForeColor when none); the text position moves to its end.
    // A line of zero length draws nothing.
    void Line(double x1, double y1, double x2, double y2, std::optional<QColor> color = {});
    // A box with corners (x1, y1) and (x2, y2), outlined or filled in the colour.
    void LineBox(double x1, double y1, double x2, double y2, const QColor& color, bool filled);
    // A circle or ellipse; aspect is vertical radius / horizontal radius. radius is the
    // horizontal radius when aspect <= 1, the vertical one when aspect > 1. The text
    // position moves to the centre.
    void Circle(double x, double y, double radius, std::optional<QColor> color = {},
                double aspect = 1.0);
    // Copies the source's drawing at its own size with its top-left corner at (x, y).
    void PaintPicture(const PictureBox& source, double x, double y);
    // The same for a picture kept aside (one pixel per pixel).
    void PaintImage(const QImage& picture, double x, double y);
    // Draws the text with its top-left corner at the text position in ForeColor, then
    // moves the text position to the start of the next line.
    void Print(const QString& text);

    // The drawing as it stands, one image pixel per screen pixel.
    const QImage& image() const;

    // Between beginBatch and endBatch the drawing calls share one painter and the widget is
    // marked for repaint once, at the end: the same pixels for less work per picture.
    void beginBatch();
    void endBatch();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensureImage() const;
    void applyFont();
    QPen linePen(const QColor& color) const;
    // The painter on the image: the batch's, or a new one in holder.
    QPainter& painter(std::optional<QPainter>& holder);
    void changed();

    mutable QImage m_image;
    QColor m_backColor;
    QColor m_foreColor;
    int m_drawWidth = 1;
    int m_drawStyle = 0;
    double m_currentX = 0;
    double m_currentY = 0;
    QString m_fontName;
    int m_fontPixels = 11;
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    // Texts printed in the current font, laid out once: a dial prints the same labels on
    // every picture, and shaping them is most of its cost.
    struct LaidOutText
    {
        QStaticText text;
        double advance = 0;
    };
    const LaidOutText& laidOut(const QString& text);
    QHash<QString, LaidOutText> m_laidOut;
    std::unique_ptr<QPainter> m_batch;
    bool m_batchChanged = false;
};
