#pragma once

#include <QSizeF>

// How far a new value would move what a view draws, in pixels. A view whose picture would
// move by less than VisibleShift keeps showing the one it has; the new value is not lost but
// waits for a change that shows, so what is shown never lags a real movement by half a pixel
// or more.
inline constexpr double VisibleShift = 0.5;

// The horizon: sky, ground, horizon line and ladder turn and slide as one rigid piece (the
// aircraft symbol stays put), so no point of it inside the view moves farther than the
// view's farthest corner. viewPixels is the drawable's size in device pixels.
double HorizonShift(float phiShown, float thetaShown, float phi, float theta,
                    const QSizeF& viewPixels);

// The route dial's card: the farthest any tick end or label moves when the heading goes from
// hShown to h (radians), on a dial whose drawing area is W1 x H1 twips plus one.
double RouteShift(double hShown, double h, double W1, double H1);

// The tip of the magnetometer dial's needle when the field goes from (uShown, vShown) to
// (u, v), on a dial whose drawing area is W1 x H1 twips plus one. A needle that appears or
// goes (a value that is not a finite number draws none) counts as an infinite move.
double NeedleShift(double uShown, double vShown, double u, double v, double W1, double H1);
