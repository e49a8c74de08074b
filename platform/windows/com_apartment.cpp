#include "platform/com_apartment.h"

#include <objbase.h>

namespace lc::platform {

// Results are not looked at: a thread already initialised answers S_FALSE and still pairs.
void com_initialize() {
  CoInitialize(nullptr);
}
void com_uninitialize() {
  CoUninitialize();
}

}  // namespace lc::platform
