#pragma once

// OpenGL drawing of the artificial horizon; both need a current legacy OpenGL context.

// The fixed scene state: depth test, light 0 at (0, 0, 0, 0), colour material for ambient
// and diffuse, a grey specular front material, shininess 128, black clear colour. With it
// every primitive shows the scene ambient term only, a fifth of its colour.
void SetupAttitudeScene();

// One picture for roll phi and pitch theta (radians) in a box of the given outer size (any
// unit; only the ratio counts). The lines are 1, 2 and 4 pixels wide at a pixel ratio of 1 and
// as many times wider as the screen has device pixels per pixel (150 %, 200 %), rounded to
// whole pixels, so a scaled screen shows the same picture. The caller presents it (swaps the
// buffers).
void RenderAttitude(float phi, float theta, double boxHeight, double boxWidth,
                    double pixelRatio = 1.0);
