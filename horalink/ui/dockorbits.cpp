// The clock's emblem: three flattened orbits around the centre, turned by -60, 0
// and +60 degrees, each with a light trail that fades over 270 degrees and goes
// round once every three seconds.
#include "dockclock.h"

#include <cmath>

// The program's value for a full turn (a little more than two pi, and the orbits
// are computed with it).
static const double DOCKCLOCK_TURN = 6.2831924;
static const int DOCKCLOCK_RINGOFFSET[3] = {-60, 0, 60};
static const int DOCKCLOCK_ROUND_MS = 3000;
static const int DOCKCLOCK_RINGSPACING = 140;  // degrees between the trails of the rings
static const int DOCKCLOCK_TRAIL = 270;        // degrees a trail fades over
static const int DOCKCLOCK_TRAILSTEP = 3;

// The sine of each whole degree (of the program's turn), which shades the trails.
struct SINETABLE {
    double sine[360];
    SINETABLE()
    {
        for (int i = 0; i < 360; i++) sine[i] = sin(i / 360.0 * DOCKCLOCK_TURN);
    }
};

// Filled on first use, once for the whole program.
static const SINETABLE& sine_table()
{
    static const SINETABLE table;
    return table;
}

void DOCKCLOCK::ComputeOrbits(int cx, int cy)
{
    int w2 = cx / 2, h2 = cy / 2;
    double radius = (w2 < h2 ? w2 : h2) - 2;
    for (int ring = 0; ring < 3; ring++) {
        for (int i = 0; i < 360; i++) {
            double t = i / 360.0 * DOCKCLOCK_TURN;
            double a = cos(t) * radius;
            double b = sin(t) * radius / 3;
            double len = sqrt(a * a + b * b);
            double phi = len > 0 ? atan(b / len) / DOCKCLOCK_TURN * 360 : 0;
            if (a < 0) phi = 180 - phi;
            double psi = DOCKCLOCK_TURN * (phi + DOCKCLOCK_RINGOFFSET[ring]) / 360;
            Orbits[ring][i].x = static_cast<LONG>(trunc(cos(psi) * len)) + w2;
            Orbits[ring][i].y = static_cast<LONG>(trunc(sin(psi) * len)) + h2;
        }
    }
    OrbitCx = cx;
    OrbitCy = cy;
    OrbitCount++;
}

static COLORREF trail_colour(int ring, int c)
{
    switch (ring) {
    case 0:
        return RGB(c, 0, 0);
    case 1:
        return RGB(c / 3, c / 2, c);
    default:
        return RGB(0, 2 * c / 3, 0);
    }
}

// The trail colours change every segment: the device context's own pen takes each
// colour, so no pen is made or freed while drawing.
void DOCKCLOCK::DrawOrbits(HDC hdc)
{
    const SINETABLE& table = sine_table();
    HGDIOBJ oldpen = SelectObject(hdc, GetStockObject(DC_PEN));
    COLORREF oldcolour = GetDCPenColor(hdc);
    int turn = static_cast<int>(GetTickCount() % DOCKCLOCK_ROUND_MS) * 360 / DOCKCLOCK_ROUND_MS;
    for (int ring = 0; ring < 3; ring++) {
        int phase = turn - DOCKCLOCK_RINGSPACING * ring + DOCKCLOCK_RINGSPACING;
        for (int j = 0; j < DOCKCLOCK_TRAIL; j += DOCKCLOCK_TRAILSTEP) {
            int a = (phase - j + 3600) % 360;
            const POINT& pt = Orbits[ring][a];
            if (j == 0) {
                MoveToEx(hdc, pt.x, pt.y, nullptr);
                continue;
            }
            int c = 160 - static_cast<int>(j / 2 - 90 * table.sine[a]);
            if (c < 10) c = 10;
            SetDCPenColor(hdc, trail_colour(ring, c));
            LineTo(hdc, pt.x, pt.y);
        }
    }
    SetDCPenColor(hdc, oldcolour);
    SelectObject(hdc, oldpen);
}
