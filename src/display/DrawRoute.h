#pragma once

class PictureBox;

// Draws the heading dial into box: the card of ticks and labels turned so that heading psi
// (radians) stands at the top, the fixed cross and ellipses, over a blank copy of mask. A
// heading that is not a finite number is drawn as 0 and written back as 0; a heading of 10
// or more is crossed out in red.
void DrawRoute(PictureBox& box, const PictureBox& mask, float& psi);

// The heading the dial is drawn with, written back: a heading that is not a finite number
// becomes 0.
void RouteHeading(float& psi);

// The parts of DrawRoute, in its order: the font; the fixed parts (mask, cross, ellipses);
// the card for heading h (finite), with the red cross from 10 onwards.
void SetRouteFont(PictureBox& box);
void DrawRouteBackground(PictureBox& box, const PictureBox& mask);
void DrawRouteCard(PictureBox& box, double h);
