// Opaque handles through which the engines share open AVI files. The video
// engine hands the handle of its own recording to the client, which passes
// it on to the audio engine; each engine that uses the file holds its own
// reference, so the file stays valid for as long as anyone writes to it and
// is completed when the last one lets go, whatever order they close in.
//
// The registry itself holds no reference. A handle is a number, never an
// address: a handle that was withdrawn, or whose file is gone, finds
// nothing instead of reaching freed memory.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/avi_file.h"

namespace zemra {

class AviFileHandles {
  public:
    // A new handle for `file`; null for a null file.
    static void* publish(const std::shared_ptr<AviFile>& file);
    // The file behind a handle, or null when the handle is unknown, was
    // withdrawn, or nobody holds its file any more.
    static std::shared_ptr<AviFile> find(const void* handle);
    // The handle finds nothing from now on; whoever already holds the file
    // keeps it.
    static void withdraw(const void* handle);
    // A published file still open for writing at `path` (its handle may be
    // withdrawn), so that a second writer joins it instead of opening the
    // same file twice. Null when there is none.
    static std::shared_ptr<AviFile> findWriting(const std::filesystem::path& path);
};

}  // namespace zemra
