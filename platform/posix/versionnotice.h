// The text of --version for the Linux programs: name, version, copyright and where the licence is.
#pragma once

#include <string>
#include <string_view>

// "velmora 1.02", the copyright line and "MIT License, see /usr/share/doc/velmora/copyright", one
// a line. The licence file is looked up beside the running executable's installation prefix; run
// from a build tree, the text points to the source's LICENSE instead.
std::string VersionNotice(std::string_view program);
