// Writes the files that document the programs' options, at build time:
//   velmora-docs xml OUT                          velmora.xml for XScreenSaver
//   velmora-docs man TEMPLATE OUT VERSION         velmora's manual page, its option list filled in
//   velmora-docs idle-man TEMPLATE OUT VERSION    velmora-idle's, likewise
//   velmora-docs record-man TEMPLATE OUT VERSION  velmora-record's, likewise
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "idle/idlecommandline.h"
#include "launcher/commandline.h"
#include "launcher/optiondocs.h"
#include "tools/recordoptions.h"

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    std::span<const OptionRow> rows;
    if (what == "man") rows = ManualOptionRows();
    if (what == "idle-man") rows = IdleOptionRows();
    if (what == "record-man") rows = kRecordOptions;
    std::string text;
    if (what == "xml" && argc == 3) {
        text = XScreenSaverConfig();
    } else if (!rows.empty() && argc == 5) {
        std::ifstream in(argv[2], std::ios::binary);
        std::ostringstream page;
        page << in.rdbuf();
        if (!in) {
            std::cerr << "velmora-docs: cannot read " << argv[2] << "\n";
            return 1;
        }
        text = FillManualPage(page.str(), argv[4], rows);
    } else {
        std::cerr
            << "usage: velmora-docs xml OUT | {man|idle-man|record-man} TEMPLATE OUT VERSION\n";
        return 2;
    }
    std::ofstream out(argv[argc == 3 ? 2 : 3], std::ios::binary);
    out << text;
    return out ? 0 : 1;
}
