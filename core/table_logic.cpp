// SPDX-License-Identifier: Apache-2.0
#include "core/table_logic.h"

namespace pagecut {

thread_local constinit std::int32_t TABLE_LOGIC = 1;

} // namespace pagecut
