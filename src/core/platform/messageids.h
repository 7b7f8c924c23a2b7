#pragma once
// Message ids posted between the threads and windows. The values are those of the window
// messages the program has always used (WM_APP + 1000 and up), so logs and tools agree on them.

/// The folder watcher has stopped following the folder (it is gone or cannot be followed): no
/// change is reported until WmWatcherResumed.
constexpr int WmWatcherEnded = 0x83E8; // WM_APP+1000
/// The live folder changed. The watcher's word to the reader: the console's post function
/// hands it to TLiveReader::Request, so it never reaches a window.
constexpr int WmLiveFolderChanged = 0x83E9; // WM_APP+1001
/// A rebuild-and-redraw request to the standings window.
constexpr int WmRedraw = 0x83EA; // WM_APP+1002
/// The live folder, gone or missing, is there again and followed anew.
constexpr int WmWatcherResumed = 0x83EB; // WM_APP+1003
/// A scroll tick of the ranking strip, posted by the scroll thread to the ticker itself.
constexpr int WmScrollTick = 0x83EC; // WM_APP+1004
/// A reading of the live folder, its bytes moved, from the reader thread to the console
/// (TFolderReadingEvent, ui/app/folderreadingevent.h).
constexpr int WmLiveFolderRead = 0x83ED; // WM_APP+1005
