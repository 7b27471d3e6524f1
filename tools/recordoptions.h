// velmora-record's options, as its command line reads them and its --help and manual page list
// them.
#pragma once

#include "launcher/argumentreader.h"

inline constexpr OptionRow kRecordOptions[] = {
    {.Name = "size",
     .Value = "WxH",
     .Help = "view size in pixels (default 640x480)",
     .Manual = "The view size in pixels (default 640x480)."},
    {.Name = "frames",
     .Value = "N",
     .Help = "frames to run (default 300)",
     .Manual = "The number of frames to run (default 300)."},
    {.Name = "course",
     .Value = "K",
     .Help = "warm-up steps of the course random source, 1 to 20 (default: from the clock)",
     .Manual = "Warm-up steps of the road course's random source, 1 to 20 (default: from the "
               "clock)."},
    {.Name = "seed",
     .Value = "N",
     .Help = "seed of the general random source (default: from the clock)",
     .Manual = "Seed of the general random source (default: from the clock). With\n.B "
               "\\-\\-course\nand\n.B \\-\\-seed\na recording is the same every time."},
    {.Name = "set",
     .Value = "NAME=TEXT",
     .Help = "a setting in its stored text form, e.g. UpDown=3, road_Color=clWhite, Comet=1 "
             "(repeatable; applied over the stored settings, which are read from "
             "$XDG_CONFIG_HOME/velmora/user.reg as the saver reads them)",
     .Manual = "A setting in its stored text form, for example\n.BR UpDown=3 ,\n.B "
               "road_Color=clWhite\nor\n.BR Comet=1 .\nRepeatable."},
    {.Name = "preview",
     .Help = "preview mode (5-point banner font)",
     .Manual = "Preview mode: the banner in the small font of a preview window."},
    {.Name = "out",
     .Value = "FILE.png",
     .Help = "write the last frame",
     .Manual = "Writes the last frame as a PNG image."},
    {.Name = "gif",
     .Value = "FILE.gif",
     .Help = "write the animation",
     .Manual = "Writes the animation as a looping GIF."},
    {.Name = "every",
     .Value = "K",
     .Help = "keep every K-th frame in the GIF (default 1)",
     .Manual = "Keeps every\n.IR K -th\nframe in the GIF (default 1). A GIF shows a frame for at "
               "most 655.35 s; a longer delay is stored as that, and said."},
    {.Name = "video",
     .Value = "FILE",
     .Help = "write the animation as a video, every frame at the saver's rate: FILE.webm (VP9) "
             "or FILE.mp4 (H.264), both in full colour (4:4:4)",
     .Manual = "Writes every frame as a video at the saver's frame rate:\n.I FILE.webm\nin "
               "VP9,\n.I FILE.mp4\nin H.264. Both keep full colour resolution (4:4:4), so that "
               "a one-pixel star keeps its colour;\nsome players of H.264 know only 4:2:0 and "
               "refuse such a file."},
    {.Name = "help", .Help = "this text", .Manual = "Lists the options."},
    {.Name = "version",
     .Help = "the version and licence",
     .Manual = "Prints the version and the licence."},
};
