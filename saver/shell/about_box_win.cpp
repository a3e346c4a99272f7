// Stand-in About box and password change: they do nothing yet.
#include "shell/about_box_win.h"

void showAboutBox(HINSTANCE) {}
INT_PTR CALLBACK aboutBoxProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void changePassword(HWND) {}
