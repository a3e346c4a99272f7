#include "commands.h"

namespace {

const Command commandTable[] = {
    {"pack", "packs a GIF into a saver (or a file.dat)",
     "usage: glimmer pack PICTURE.gif -o OUT.scr [--stub SAVER.exe] [--external]\n\n"
     "Writes a saver: the 61440-byte saver program, the 392-byte package header, one\n"
     "zero byte, then the GIF unchanged.\n\n"
     "  -o OUT          the saver to write (never the picture itself)\n"
     "  --stub FILE     the padded 32-bit saver program to put in front (default: the\n"
     "                  one built beside this tool)\n"
     "  --external      write a file.dat instead: the header at byte 0, offsets\n"
     "                  counted from byte 0, no program\n",
     runPackCommand},
    {"inspect", "prints the package header of a saver or file.dat",
     "usage: glimmer inspect FILE [--external] [--json]\n\n"
     "Reads the package header with the saver's own reader and prints it, with a\n"
     "warning for each record whose range lies outside the file.\n\n"
     "  --external      FILE is a file.dat (header at byte 0); found by itself when\n"
     "                  the file starts with the package's magic\n"
     "  --json          print one JSON object instead of a table\n",
     runInspectCommand},
};

}  // namespace

std::span<const Command> glimmerCommands()
{
    return commandTable;
}
