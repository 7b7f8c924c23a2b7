#include "core/platform/commandline.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void PrintBytesAsTheyAre() {
    // Standard output has no text mode here.
}
