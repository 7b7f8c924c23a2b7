#include "core/live/folderreading.h"

#include "core/live/livefile.h"
#include "core/live/livefolder.h"

#include <exception>

TFolderReading ReadFollowedBytes(const std::string& path, const TFileState& seen,
                                 const std::function<std::string()>& readText) {
    TFolderReading reading;
    reading.Path = path;
    reading.Seen = seen;
    try {
        reading.Bytes = readText ? readText() : ReadLiveFile(path);
    } catch (const std::exception& error) {
        reading.Error = error.what();
    } catch (...) {
        reading.Error = "Unknown error while reading " + path;
    }
    // Looked at again after the read: a write meanwhile tore it, and brings its own change.
    reading.Torn = GetFileState(path) != seen;
    return reading;
}

TFolderReading ReadLiveFolder(const std::string& folder, const std::string& path,
                              const TFileState& previous,
                              const std::function<std::string()>& readText) {
    const TFileState seen = path.empty() ? TFileState{} : GetFileState(path);
    TFolderReading reading;
    if (seen.Stamp != 0) {
        reading = ReadFollowedBytes(path, seen, readText);
    } else {
        reading.Path = path;
    }
    reading.Folder = folder;
    // A file that keeps changing is followed on: the folder is listed only when it has not.
    if (seen.Stamp == 0 || seen == previous) {
        reading.FolderLooked = true;
        try {
            reading.Newest = TryFindNewestLiveFile(folder);
            if (seen.Stamp != 0) {
                reading.WrittenAfter = LiveFileWrittenAfter(folder, path);
            }
        } catch (const std::exception& error) {
            reading.Newest.reset();
            reading.FolderError = error.what();
        } catch (...) {
            reading.Newest.reset();
            reading.FolderError = "Unknown error while looking at " + folder;
        }
    }
    return reading;
}
