#include "platform/com_apartment.h"

namespace lc::platform {

void com_initialize() {}
void com_uninitialize() {}

}  // namespace lc::platform
