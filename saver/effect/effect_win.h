// The effect's Windows side: prepares the picture surface, palette and tables,
// and draws, advances and presents one frame.
#pragma once

// Returns 1 when the effect is ready, 0 when the saver must end.
int initEffect();
// Draws, advances and shows one frame; returns presentFrame's result.
int renderFrame();
