// Where zemra reads and writes its files.
//
//   baseDir     per-machine writable root: config/, one folder per user ID, trace.txt
//   dataDir     read-only program data: face/, data/, sound/, skins/, tone files
//   windowsDir  home of the machine-wide "zemra.ini"
//   photoRoot   root of the snapshot folders
//
// Each honours an environment override first, so that several clients and
// tests can run side by side on one machine.
#pragma once

#include <cstdint>
#include <filesystem>

namespace zemra::paths {

std::filesystem::path baseDir();  // $ZEMRA_HOME, else $XDG_DATA_HOME/zemra
std::filesystem::path
dataDir();  // $ZEMRA_DATA_DIR, else the build tree's assets, else <prefix>/share/zemra
std::filesystem::path windowsDir();  // $ZEMRA_WINDIR, else $XDG_CONFIG_HOME/zemra
std::filesystem::path photoRoot();   // $ZEMRA_PHOTO_DIR, else $HOME/Pictures/zemra_photo

std::filesystem::path configDir();                    // baseDir/config
std::filesystem::path userDir(uint32_t userId);       // baseDir/<id>
std::filesystem::path callListDir(uint32_t userId);   // baseDir/<id>/calllist
std::filesystem::path userPhotoDir(uint32_t userId);  // photoRoot/<id>
std::filesystem::path ownPhotoDir(uint32_t userId);   // photoRoot/<id>/mine
std::filesystem::path peerPhotoDir(uint32_t userId);  // photoRoot/<id>/his

// The same folders under an explicit root, for callers that carry their own.
std::filesystem::path userDirIn(const std::filesystem::path& base, uint32_t userId);
std::filesystem::path callListDirIn(const std::filesystem::path& base, uint32_t userId);
void createUserDirsIn(const std::filesystem::path& base, uint32_t userId);
void createPhotoDirsIn(const std::filesystem::path& photoRoot, uint32_t userId);

// Folders made at start: config/ and the snapshot root. Failures (usually:
// the folder exists) are ignored, as every caller of these does.
void createStartupDirs();
// The per-user folder and its calllist/, made whenever a user ID is chosen.
void createUserDirs(uint32_t userId);
// The per-user snapshot folders, made after log-in.
void createPhotoDirs(uint32_t userId);

}  // namespace zemra::paths
