#pragma once

class PictureBox;

// Clears box and draws the magnetometer dial: two circles, a cross, the letters N, S, E, W,
// a border, and a yellow needle from the centre. v moves its tip up towards N, u left
// towards W; a magnitude of 1 reaches the outer circle. What leaves the box is clipped.
void DrawMagDial(PictureBox& box, double u, double v);

// The parts of DrawMagDial after the clear, in its order: the fixed circles and cross; the
// needle with what lies over it (the letters and the border).
void DrawMagDialFace(PictureBox& box);
void DrawMagDialNeedle(PictureBox& box, double u, double v);
