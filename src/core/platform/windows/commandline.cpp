#include "core/platform/commandline.h"

#include "core/platform/windows/wintext.h"

#include <shellapi.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    // argv is in the ANSI code page, which cannot hold every folder name: the wide command
    // line can.
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                        : std::vector<std::string>();
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(Utf8Text(wide[i]));
    }
    ::LocalFree(wide);
    return args;
}

void PrintBytesAsTheyAre() {
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}
