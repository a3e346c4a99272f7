// SPDX-License-Identifier: GPL-3.0-or-later
/* Powers, exponentials and logarithms from additions, multiplications and
 * divisions only, so that they come out the same on every CPU and with every
 * C library: libm's pow and powf differ by a last bit between implementations
 * (and glibc picks one by the CPU's FMA support), and the maker's colours must
 * not. Powers are accurate to about 1e-15 relative where |y ln x| < 20, 1e-13
 * for any x >= 0; exp and log to about 1e-13. */
#ifndef GLIMMER_PLAIN_POWER_H
#define GLIMMER_PLAIN_POWER_H

#ifdef __cplusplus
extern "C" {
#endif

double glimmer_pow(double x, double y);
double glimmer_exp(double x);
double glimmer_log(double x);
double glimmer_log10(double x);
float glimmer_powf(float x, float y);

#ifdef __cplusplus
}
#endif

#endif
