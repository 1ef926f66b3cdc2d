#include "ExplorerSettings.h"

namespace {

constexpr long kLargest = 16384;

} // namespace

ExplorerSettings CheckedSettings(const ExplorerSettings& stored) {
    ExplorerSettings checked = stored;
    for (long& width : checked.columnWidths) {
        if (width < 8 || width > kLargest)
            width = 0;
    }
    if (stored.width < 1 || stored.width > kLargest || stored.height < 1 ||
        stored.height > kLargest)
        checked.width = checked.height = 0;
    return checked;
}
