// The disk image as a folder (FUSE): the one file that speaks to libfuse.
#pragma once

#include "MountedImage.h"

#include <memory>
#include <string>

// Serves the image (CMountedImage) at `folder` (both paths absolute: the mount leaves the
// working folder for "/") until it is unmounted, or, in the
// foreground, until Ctrl+C; files still open for writing are written then. Returns the
// exit status.
int MountImage(std::unique_ptr<CDiskImage> image, const std::string& imagePath,
               const std::string& folder, const MountOptions& options, bool foreground);
