// SPDX-License-Identifier: GPL-3.0-or-later
#include "plain_power.h"

#include <math.h>

static const double ln2 = 0.69314718055994530942;

/* ln(x) for finite x > 0: x = m * 2^e with m in [0.71, 1.42), ln(m) = 2 atanh(s)
 * with s = (m - 1) / (m + 1), |s| < 0.172, summed to 41st powers. */
static double plain_log(double x)
{
    int exponent = 0;
    double mantissa = frexp(x, &exponent);
    if (mantissa < 0.70710678118654752440) {
        mantissa *= 2;
        --exponent;
    }
    const double s = (mantissa - 1) / (mantissa + 1);
    const double square = s * s;
    double term = s;
    double sum = 0;
    for (int k = 1; k <= 41; k += 2) {
        sum += term / k;
        term *= square;
    }
    return 2 * sum + exponent * ln2;
}

/* e^x for finite x: x = k ln 2 + r with |r| <= 0.35, e^r by its series to r^24 / 24!. */
static double plain_exp(double x)
{
    if (x > 709.0)
        return HUGE_VAL;
    if (x < -745.0)
        return 0.0;
    const double k = floor(x / ln2 + 0.5);
    const double r = x - k * ln2;
    double term = 1;
    double sum = 1;
    for (int n = 1; n <= 24; ++n) {
        term = term * r / n;
        sum += term;
    }
    return ldexp(sum, (int)k);
}

double glimmer_exp(double x)
{
    if (isnan(x))
        return x;
    if (isinf(x))
        return x > 0 ? x : 0.0;
    return plain_exp(x);
}

double glimmer_log(double x)
{
    if (isnan(x) || x < 0)
        return NAN;
    if (x == 0)
        return -HUGE_VAL;
    if (isinf(x))
        return x;
    return plain_log(x);
}

double glimmer_log10(double x)
{
    static const double ln10 = 2.30258509299404568402;
    return glimmer_log(x) / ln10;
}

double glimmer_pow(double x, double y)
{
    if (y == 0 || x == 1)
        return 1;
    if (isnan(x) || isnan(y) || x < 0)
        return NAN;
    if (x == 0)
        return y > 0 ? 0 : HUGE_VAL;
    return plain_exp(y * plain_log(x));
}

float glimmer_powf(float x, float y)
{
    return (float)glimmer_pow(x, y);
}
