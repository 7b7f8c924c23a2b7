// Plays the system's part at log off for one window, one message at a time, so a test can look
// at what the program did in between:
//
//   kestrune-endsession.exe TITLE query   sends WM_QUERYENDSESSION, prints the answer (1: may end)
//   kestrune-endsession.exe TITLE end     sends WM_ENDSESSION (the session ends)
//
// Exits 2 when no window has that title, 1 on a bad command line.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "query") != 0 && std::strcmp(argv[2], "end") != 0)) {
        std::fprintf(stderr, "usage: kestrune-endsession TITLE query|end\n");
        return 1;
    }
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, nullptr, 0);
    std::wstring title(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, title.data(), size);
    const HWND window = ::FindWindowW(nullptr, title.c_str());
    if (window == nullptr) {
        std::fprintf(stderr, "kestrune-endsession: no window titled '%s'\n", argv[1]);
        return 2;
    }
    if (std::strcmp(argv[2], "query") == 0) {
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000,
                              &answer);
        std::printf("%d\n", answer != 0 ? 1 : 0);
        return 0;
    }
    ::SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000,
                          nullptr);
    return 0;
}
