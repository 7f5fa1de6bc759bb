#pragma once

// A vertical axis range that holds every value from low to high with a little room, ends on
// whole steps, and has 1, 2 or 5 times a power of ten as its step (at most six of them), so labels
// stay readable and the range changes only when the data leaves it.
struct AxisRange
{
    double low;
    double high;
    double step;
};

// With no values (low > high) the range is -1 to 1; a flat line gets room around it.
AxisRange niceRange(double low, double high);
