// SPDX-License-Identifier: GPL-3.0-or-later
// SDL's calls that glimmer play makes. SDL brings some forty more libraries
// with it (sound servers, Wayland, codecs), which would cost every glimmer
// command milliseconds and megabytes at start-up: it is loaded when play
// opens its window, not linked.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>

#define GLIMMER_SDL_CALLS(CALL)                                                                                \
    CALL(SDL_CreateRenderer) CALL(SDL_CreateTexture) CALL(SDL_CreateWindow) CALL(SDL_Delay)                     \
    CALL(SDL_DestroyRenderer) CALL(SDL_DestroyTexture) CALL(SDL_DestroyWindow) CALL(SDL_GetCurrentDisplayMode) \
    CALL(SDL_GetCurrentVideoDriver) CALL(SDL_GetError) CALL(SDL_GetPerformanceCounter)                         \
    CALL(SDL_GetPerformanceFrequency) CALL(SDL_GetRendererInfo) CALL(SDL_GetWindowDisplayIndex)                \
    CALL(SDL_GetWindowWMInfo) CALL(SDL_Init) CALL(SDL_LockTexture) CALL(SDL_PollEvent) CALL(SDL_Quit)          \
    CALL(SDL_RenderClear) CALL(SDL_RenderCopy) CALL(SDL_RenderPresent) CALL(SDL_RenderSetLogicalSize)          \
    CALL(SDL_SetHint) CALL(SDL_SetRenderDrawColor) CALL(SDL_ShowCursor) CALL(SDL_UnlockTexture)

struct SdlCalls {
#define GLIMMER_SDL_POINTER(name) decltype(&::name) name = nullptr;
    GLIMMER_SDL_CALLS(GLIMMER_SDL_POINTER)
#undef GLIMMER_SDL_POINTER
};

// SDL's calls, its library loaded on the first call (that of the version
// glimmer was built with); fails with the reason when it cannot be.
const SdlCalls& sdl();
