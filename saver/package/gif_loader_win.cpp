// Stand-in loader: decodes nothing yet.
#include "package/gif_loader_win.h"

int loadGifPicture(const char*, LPDIRECTDRAWSURFACE, int, int, int, int) { return 1; }
int readGifPalette(const char*, PALETTEENTRY*, int) { return 0; }
