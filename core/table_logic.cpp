#include "core/table_logic.h"

namespace pagecut {

std::int32_t TABLE_LOGIC = 1;

} // namespace pagecut
