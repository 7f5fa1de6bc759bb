#include "display/AttitudeScene.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979;

// A line's width in device pixels: its width in pixels at the screen's pixel ratio.
GLfloat LineWidth(int pixels, double pixelRatio)
{
    return static_cast<GLfloat>(std::max(1.0, std::round(pixels * pixelRatio)));
}

// Equal units in x and y: x is scaled by the box's height over its width.
void scaleToBox(double boxHeight, double boxWidth)
{
    glScalef(static_cast<GLfloat>(0.2 * boxHeight / boxWidth), 0.2f, 0.2f);
}

} // namespace

void SetupAttitudeScene()
{
    static constexpr GLfloat lightPosition[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    static constexpr GLfloat specular[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    glEnable(GL_DEPTH_TEST);
    glFrontFace(GL_CCW);
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMateriali(GL_FRONT, GL_SHININESS, 128);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void RenderAttitude(float phi, float theta, double boxHeight, double boxWidth, double pixelRatio)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    scaleToBox(boxHeight, boxWidth);
    // Turn by the roll first, then slide along the turned vertical by 8 units per radian.
    glTranslatef(static_cast<GLfloat>(8 * theta * std::sin(static_cast<double>(phi))),
                 static_cast<GLfloat>(-8 * theta * std::cos(static_cast<double>(phi))), 0.0f);
    glRotatef(static_cast<GLfloat>(static_cast<double>(phi) * 180 / Pi), 0.0f, 0.0f, 1.0f);

    // Colours are five times what shows: the scene lights with ambient 0.2 only.
    glBegin(GL_QUAD_STRIP);
    glColor3f(3, 4, 5);
    glVertex3f(-10, 0, 0);
    glVertex3f(10, 0, 0);
    glColor3f(0, 0, 0);
    glVertex3f(-10, 10, 0);
    glVertex3f(10, 10, 0);
    glColor3f(4, 3, 1);
    glVertex3f(-10, 0, 0);
    glVertex3f(10, 0, 0);
    glColor3f(0, 0, 0);
    glVertex3f(-10, -10, 0);
    glVertex3f(10, -10, 0);
    glEnd();

    glLineWidth(LineWidth(2, pixelRatio));
    glBegin(GL_LINES);
    glColor3f(10, 10, 10);
    glVertex3f(10, 0, -0.01f);
    glVertex3f(-10, 0, -0.01f);
    glEnd();

    glLineWidth(LineWidth(1, pixelRatio));
    glBegin(GL_LINES);
    for (int i = -90; i <= 90; i += 5) {
        const GLfloat y = static_cast<GLfloat>(i * 0.139);
        if (i % 20 == 0) {
            glVertex3f(2, y, -0.01f);
            glVertex3f(-2, y, -0.01f);
        }
        if (i % 10 == 0) {
            glVertex3f(0.6f, y, -0.01f);
            glVertex3f(-0.6f, y, -0.01f);
        }
        // Every rung has the shortest line.
        glVertex3f(0.3f, y, -0.01f);
        glVertex3f(-0.3f, y, -0.01f);
    }
    glEnd();

    // The aircraft symbol stays put: neither turned nor moved.
    glLoadIdentity();
    scaleToBox(boxHeight, boxWidth);
    glLineWidth(LineWidth(4, pixelRatio));
    glColor3f(10, 10, 0);
    glBegin(GL_LINES);
    glVertex3f(2, 0, -0.02f);
    glVertex3f(5, 0, -0.02f);
    glVertex3f(2, 0, -0.02f);
    glVertex3f(2, -1, -0.02f);
    glVertex3f(-2, 0, -0.02f);
    glVertex3f(-5, 0, -0.02f);
    glVertex3f(-2, 0, -0.02f);
    glVertex3f(-2, -1, -0.02f);
    glEnd();
}
