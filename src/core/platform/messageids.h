#pragma once
// Message ids posted between the threads and windows. The values are those of the window
// messages the program has always used (WM_APP + 1000 and up), so logs and tools agree on them.

/// The folder watcher has ended; no automatic reload happens after it.
constexpr int WmWatcherEnded = 0x83E8; // WM_APP+1000
/// The live folder changed: run the reload cycle (also posted by the main window to itself).
constexpr int WmLiveFolderChanged = 0x83E9; // WM_APP+1001
/// A rebuild-and-redraw request to the standings window.
constexpr int WmRedraw = 0x83EA; // WM_APP+1002
/// The live folder, gone or missing, is there again and followed anew.
constexpr int WmWatcherResumed = 0x83EB; // WM_APP+1003
/// A scroll tick of the ranking strip, posted by the scroll thread to the ticker itself.
constexpr int WmScrollTick = 0x83EC; // WM_APP+1004
/// A reading of the live folder, carried by the message, from the reader thread to the main
/// window.
constexpr int WmLiveFolderRead = 0x83ED; // WM_APP+1005
