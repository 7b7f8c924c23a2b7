#pragma once
// The program's arguments as UTF-8, whatever code page the system passes them in.

#include <string>
#include <vector>

/// The arguments after the program's name. On Windows they are read from the wide command
/// line, so a folder with a non-ASCII name arrives intact.
std::vector<std::string> ProgramArguments(int argc, char** argv);

/// Puts standard output into binary mode, so what the program prints is the same bytes on
/// every system (Windows would write each "\n" as "\r\n").
void PrintBytesAsTheyAre();
