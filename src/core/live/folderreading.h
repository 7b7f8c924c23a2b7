#pragma once
// One look at the live folder after a change: the followed file's bytes, read between two
// looks at its stamp and size, and, when it has not changed, which live file is newest. It
// touches the disk only, so the reader thread takes it while the windows go on drawing.

#include "core/platform/filestamp.h"

#include <functional>
#include <optional>
#include <string>

struct TFolderReading {
    /// The folder looked at, and the followed file whose bytes these are (empty: none).
    std::string Folder;
    std::string Path;
    /// The file's stamp and size before the read; stamp 0 when it is gone.
    TFileState Seen;
    /// The stamp or size changed while it was read: the writer tore this reading.
    bool Torn = false;
    /// Its bytes; nullopt when gone or when the read failed (then Error says why).
    std::optional<std::string> Bytes;
    std::string Error;
    /// Only when the file is as at the previous look (or none is followed or it is gone): the
    /// folder's newest live file (nullopt: the folder could not be listed), and the live file
    /// written after the followed one, if any (see LiveFileWrittenAfter); FolderError says why
    /// the look failed, if it did.
    bool FolderLooked = false;
    std::optional<std::string> Newest;
    std::optional<std::string> WrittenAfter;
    std::string FolderError;
};

/// Reads the followed file `path` of `folder` (none when empty) and, when its stamp and size
/// are still `previous` or it is gone, looks for the newest live file too. `readText`, when
/// set, stands in for reading the file (a test's writer that changes it meanwhile). Never
/// throws: a failed read is in Error.
TFolderReading ReadLiveFolder(const std::string& folder, const std::string& path,
                              const TFileState& previous,
                              const std::function<std::string()>& readText = {});

/// Reads the file `path`, seen a moment ago in `seen`, as ReadLiveFolder does, without
/// looking at its folder.
TFolderReading ReadFollowedBytes(const std::string& path, const TFileState& seen,
                                 const std::function<std::string()>& readText = {});
