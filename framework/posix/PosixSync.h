#pragma once

#include <string>

// Makes a name made or changed at path durable: its folder's entry reaches
// the disk. A folder that cannot be synced (some file systems refuse) is no
// failure of the file.
void SyncFolderOf(const std::string& path);
