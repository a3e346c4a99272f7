/* SPDX-License-Identifier: GPL-3.0-or-later */
/* libimagequant keeps its dither map at speeds 6 and 7 only when OpenMP
 * gives it more than one thread. The maker runs it on one thread but wants
 * that map: this stand-in says two threads and always runs as the first.
 * With no -fopenmp its parallel loops stay plain loops, and the second
 * thread's share of each sum stays zero, so nothing else it computes changes. */
#ifndef GLIMMER_OPENMP_STAND_IN_H
#define GLIMMER_OPENMP_STAND_IN_H

static inline int omp_get_max_threads(void) { return 2; }
static inline int omp_get_thread_num(void) { return 0; }

#endif
