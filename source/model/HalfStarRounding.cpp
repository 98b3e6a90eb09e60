#include "model/HalfStarRounding.h"

#include <cmath>

double halfStarRounded(double average)
{
    const float value = float(average);
    const float whole = std::floor(value);
    const float fraction = value - whole;
    if (fraction > 0.75f)
        return double(whole) + 1.0;
    if (fraction > 0.25f)
        return double(whole) + 0.5;
    return double(whole);
}
