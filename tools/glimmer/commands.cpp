// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

namespace {

const Command commandTable[] = {
    {"pack", "packs a GIF into a saver (or a file.dat)",
     "usage: glimmer pack PICTURE.gif -o OUT.scr [--stub SAVER.exe] [--external] [--force]\n\n"
     "Writes a saver: the 61440-byte saver program, the 392-byte package header, one\n"
     "zero byte, then the GIF unchanged. A note names each way the saver will show\n"
     "the GIF otherwise than a viewer.\n\n"
     "  -o OUT          the saver to write (never the picture itself)\n"
     "  --stub FILE     the padded 32-bit saver program to put in front (default: the\n"
     "                  one carried inside this tool)\n"
     "  --external      write a file.dat instead: the header at byte 0, offsets\n"
     "                  counted from byte 0, no program (not with --stub)\n"
     "  --force         pack a picture that glimmer preview and play cannot show\n"
     "                  (0 pixels or more than 65535 a side, more than 67108864\n"
     "                  pixels in all), or whose picture the saver cannot decode,\n"
     "                  with a warning, instead of refusing it\n",
     runPackCommand},
    {"inspect", "prints the package header of a saver or file.dat",
     "usage: glimmer inspect FILE [--external] [--json]\n\n"
     "Reads the package header with the saver's own reader and prints it, with a\n"
     "warning for each record whose range lies outside the file.\n\n"
     "  --external      FILE is a file.dat (header at byte 0); found by itself when\n"
     "                  the file starts with the package's magic\n"
     "  --json          print one JSON object instead of a table\n",
     runInspectCommand},
    {"make", "makes a saver from any picture (JPEG, PNG, WebP, GIF, BMP, TGA)",
     "usage: glimmer make PICTURE -o OUT.scr [--fit MODE] [--dither D] [--reencode]\n"
     "                    [--external] [--stub SAVER.exe] [--force]\n\n"
     "Turns the picture upright by its EXIF orientation, converts an embedded colour\n"
     "profile to sRGB, fits the picture to 256 x 256, reduces it to 256 colours\n"
     "(libimagequant), writes it as a non-interlaced GIF89a with a full 256-entry\n"
     "colour table and packs it behind the saver program that this tool carries.\n"
     "A GIF that the saver shows as it is (one 256 x 256 picture, a 256-entry\n"
     "global colour table, no local table, no transparency) is packed unchanged;\n"
     "any other GIF is re-encoded, and one line says why.\n\n"
     "  -o OUT          the saver to write (never the picture itself)\n"
     "  --fit MODE      how the picture becomes 256 x 256:\n"
     "                    cover    scale to fill the square, crop the centre (default)\n"
     "                    contain  scale to fit inside, black margins\n"
     "                    stretch  scale width and height separately\n"
     "                    none     keep the size; the saver shows its top-left\n"
     "                             255 x 255 pixels, palette index 0 beyond it\n"
     "  --dither D      dithering from 0 (none) to 1 (full, the default)\n"
     "  --reencode      re-encode a GIF even when it could be packed unchanged\n"
     "  --external      write a file.dat package instead (no program), for a saver\n"
     "                  built with -D GLIMMER_EXTERNAL_PACKAGE=ON\n"
     "  --stub FILE     put this padded 32-bit saver program in front instead of\n"
     "                  the one carried inside this tool\n"
     "  --force         with --fit none, make a saver of a picture that glimmer\n"
     "                  preview and play cannot show (more than 67108864 pixels\n"
     "                  or 65535 a side), with a warning, instead of refusing it\n\n"
     "Exit status 2 when the picture cannot be read or is of another format.\n",
     runMakeCommand},
    {"preview", "renders frames of a saver as the saver would, to a video, GIF, PNG or PGM",
     "usage: glimmer preview INPUT [--seed S] [--frames N] [--fps F] [-o OUT] [--trace]\n\n"
     "INPUT is a saver (.scr), a file.dat or a GIF. Runs the saver's own start-up\n"
     "(package record 0, GIF decoder, palette, darkest colour, motion start values)\n"
     "and draws N frames with the saver's own renderer and motion.\n\n"
     "  --seed S        the random seed, 0 to 4294967295 (default: the current time\n"
     "                  in seconds, as the saver takes it); printed when done\n"
     "  --frames N      how many frames to draw (default 300)\n"
     "  --fps F         frames a second of a .mp4 or .webm, 1 to 120, or of a .gif,\n"
     "                  1, 2, 4, 5, 10, 20, 25 or 50 (default 50)\n"
     "  -o OUT          what to write, by its ending:\n"
     "                    .mp4  a video of all N frames to share: H.264, 4:2:0,\n"
     "                          its index first, so that it plays at once\n"
     "                    .webm a video of all N frames: VP9, 4:2:0\n"
     "                    .gif  an animated GIF of all N frames, picture's palette\n"
     "                    .png  the N-th frame in colour\n"
     "                    .pgm  the N-th frame as binary PGM (P5, 640 x 480,\n"
     "                          maxval 255, each sample the palette index)\n"
     "  --trace         after each motion update print one line on stdout: K angle\n"
     "                  spinStep zoom zoomStep panU panV driftHeading driftSpeed\n"
     "                  frameCounter headingHold (K counts from 1)\n\n"
     "Frame N is drawn from the motion left by N - 1 updates. A progress bar is\n"
     "shown on stderr when it is a terminal.\n",
     runPreviewCommand},
    {"play", "shows a saver live in a window, as the saver would",
     "usage: glimmer play INPUT [--seed S] [--fps N]\n"
     "                   [--fullscreen | --window-id ID | --root | --window]\n\n"
     "INPUT is a saver (.scr), a file.dat or a GIF. Opens a window (SDL2) and shows\n"
     "the effect with the saver's own code, one frame per display refresh, scaled\n"
     "to the window without distortion. Like the saver it ends on any key press,\n"
     "a left button press or release, or a mouse jump of more than 10 pixels\n"
     "between two motion events once the first frame is shown.\n\n"
     "As an X screen-saver hack (XScreenSaver) it draws into a window it is given\n"
     "instead: the one named by --window-id or by the XSCREENSAVER_WINDOW variable,\n"
     "or the root window with --root. It follows that window's size, the frame\n"
     "scaled by whole pixels where it fits (up to 6 x 6; smaller windows get it\n"
     "shrunk), with black bars around it; input is left to the daemon. SIGTERM or\n"
     "SIGINT end it with status 0, and so does the window's end (with a line on\n"
     "stderr). It too draws one frame per refresh (by RandR; 60 a second when the\n"
     "display does not tell).\n\n"
     "  --seed S        the random seed, 0 to 4294967295 (default: the current time)\n"
     "  --fps N         at most N frames a second, 1 to 1000 (default: one a refresh)\n"
     "  --fullscreen    cover the whole screen instead of a 640 x 480 window\n"
     "  --window-id ID  draw into the window ID (0x1a00007 or 27262983); also\n"
     "                  spelled -window-id\n"
     "  --root          draw into XSCREENSAVER_WINDOW if set, else the root window\n"
     "                  (also -root)\n"
     "  --window        open play's own window even when XSCREENSAVER_WINDOW is set\n"
     "                  (also -window)\n\n"
     "Needs a graphical display; without one use 'glimmer preview INPUT -o OUT.mp4'.\n",
     runPlayCommand},
    {"decode", "decodes a saver's picture with the saver's own decoder, to PGM or PNG",
     "usage: glimmer decode FILE [--offset N] [--length N] [--width W --height H] -o OUT\n\n"
     "FILE is a GIF, a saver (.scr) or a file.dat. Runs the saver's GIF decoder on\n"
     "the picture (that of package record 0 when FILE holds a package) into a target\n"
     "of W x H pixels, exactly as the saver decodes it into its picture surface.\n\n"
     "  --offset N      the picture starts at byte N of FILE (instead of byte 0 of a\n"
     "                  GIF or record 0's offset)\n"
     "  --length N      the decoder reads no byte at or beyond N bytes from the\n"
     "                  picture's start (default: to the end of the file, or record\n"
     "                  0's length)\n"
     "  --width W --height H\n"
     "                  the target's size (default: the GIF's logical screen size)\n"
     "  -o OUT          what to write: a .png name gets a colour PNG through the\n"
     "                  256 colours the saver loads (768 bytes at the picture's byte\n"
     "                  13); any other name a binary PGM (P5, maxval 255, each\n"
     "                  sample the palette index)\n\n"
     "Data that ends before its end code is written as far as it goes, with a\n"
     "warning. Exit status 2 when the saver would refuse the picture (no \"GIF\"\n"
     "signature, no image, a minimum code size outside 2 to 9) or FILE cannot be\n"
     "read.\n",
     runDecodeCommand},
    {"serve", "serves the on-line maker's site on this machine",
     "usage: glimmer serve [--port N] [--bind ADDR] [--site DIR]\n\n"
     "Serves the site that the web preset builds (build/web/site of the source\n"
     "tree this glimmer was built from), where a browser makes savers and plays\n"
     "them with this same code, compiled to WebAssembly. GET and HEAD only, files\n"
     "inside the site folder only, the module as application/wasm, and a\n"
     "Content-Security-Policy that lets the page load nothing from elsewhere.\n"
     "Prints one line per request; Ctrl+C (or SIGTERM) stops it.\n\n"
     "  --port N        the port, 0 to 65535 (default 8080; 0: any free one, named\n"
     "                  in the first line printed)\n"
     "  --bind ADDR     the address to listen on (default 127.0.0.1: this machine\n"
     "                  only; 0.0.0.0 for every network)\n"
     "  --site DIR      serve this folder instead\n\n"
     "Exit status 2 when the site folder holds no index.html or the port is\n"
     "taken.\n",
     runServeCommand},
    {"install-hack", "installs a saver as an XScreenSaver hack (Linux screen saver)",
     "usage: glimmer install-hack SAVER.scr [--dir DIR] [--replace]\n\n"
     "Writes into DIR (default ~/.local/share/glimmerwheel) a copy of the saver as\n"
     "glimmerwheel.scr, the launcher glimmerwheel (a /bin/sh script that runs this\n"
     "glimmer's play on it with the daemon's arguments) and glimmerwheel.xml, the\n"
     "description that XScreenSaver's settings read (the saver's name, the seed,\n"
     "a frame-rate cap). Then prints the line to add to ~/.xscreensaver.\n\n"
     "  --dir DIR       the folder to write into (made when missing)\n"
     "  --replace       replace the files of an earlier install-hack there\n\n"
     "Exit status 2 when SAVER.scr is no saver play could show, or one of the\n"
     "three files exists already and --replace is not given.\n",
     runInstallHackCommand},
};

}  // namespace

std::span<const Command> glimmerCommands()
{
    return commandTable;
}
