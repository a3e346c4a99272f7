// Stand-in effect: draws nothing.
#include "effect/effect_win.h"

int initEffect() { return 1; }
int renderFrame() { return 0; }
