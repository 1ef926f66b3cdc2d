// The export tests' MKDOS tree: GAME (at 0o1000, 0o100 bytes), TEXT.TXT (kExportText),
// ZERO (empty), A\ (F, B\ (G)), D.1\ (GAME).
#pragma once

#include "ImageBuilders.h"

#include <memory>

namespace testimg {

extern const Bytes kExportText;
std::unique_ptr<CDiskImage> ExportTree();

} // namespace testimg
