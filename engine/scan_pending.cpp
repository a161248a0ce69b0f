// Scanners whose categories are not built yet: each does nothing, as an empty dispatch slot
// would. Every one of them moves to its own source file when it is written.
#include "engine/algorithm_unit.h"

namespace mendrake {

void ScanStartMenu() {}
void ScanDesktop() {}

} // namespace mendrake
