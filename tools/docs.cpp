// Writes the files that document the command line's settings options, at build time:
//   velmora-docs xml OUT            velmora.xml for XScreenSaver
//   velmora-docs man TEMPLATE OUT   the manual page, its option list filled in
//   velmora-docs idle-man TEMPLATE OUT   velmora-idle's manual page, likewise
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "idle/idlecommandline.h"
#include "launcher/optiondocs.h"

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    std::string text;
    if (what == "xml" && argc == 3) {
        text = XScreenSaverConfig();
    } else if ((what == "man" || what == "idle-man") && argc == 5) {
        std::ifstream in(argv[2], std::ios::binary);
        std::ostringstream page;
        page << in.rdbuf();
        if (!in) {
            std::cerr << "velmora-docs: cannot read " << argv[2] << "\n";
            return 1;
        }
        text = what == "man" ? FillManualPage(page.str(), argv[4])
                             : FillIdleManualPage(page.str(), argv[4]);
    } else {
        std::cerr << "usage: velmora-docs xml OUT | man TEMPLATE OUT VERSION | idle-man TEMPLATE OUT VERSION\n";
        return 2;
    }
    std::ofstream out(argv[argc == 3 ? 2 : 3], std::ios::binary);
    out << text;
    return out ? 0 : 1;
}
