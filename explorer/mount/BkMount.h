// The disk image as a read-only folder (FUSE): the one file that speaks to libfuse.
#pragma once

#include "DiskImage.h"

#include <memory>
#include <string>

// Serves the image's catalog (CMountTree) at `folder` until it is unmounted, or, in the
// foreground, until Ctrl+C. Returns the exit status.
int MountImage(std::unique_ptr<CDiskImage> image, const std::string& imagePath,
               const std::string& folder, bool binFiles, bool foreground);
