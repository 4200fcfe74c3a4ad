#include <cstdio>
#include <cstring>

#include "qt/HubApplication.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so they work without a display and never raise a running
    // instance's window.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("zanvor-hub %s\n", ZANVOR_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Usage: zanvor-hub [--simulate[=TYPE[:cable|:receiver],...]] [--hid-trace FILE] "
                "[-autorun]\n"
                "The Zanvor HUB desktop program: keys, knob, lighting, profiles and settings of "
                "Zanvor keyboards.\n"
                "  --simulate   use virtual keyboards instead of real ones\n"
                "  --hid-trace  write every HID report to FILE\n"
                "  -autorun     started by the desktop session's autostart: starts minimised\n"
                "               (hidden to the tray when there is one) only when \"Start\n"
                "               minimised\" is on in the settings\n"
                "zanvorctl is the same for the command line; see zanvor-hub(1) and "
                "zanvorctl(1).\n");
            return 0;
        }
    }
    return zanvor::RunHubApplication(argc, argv);
}
