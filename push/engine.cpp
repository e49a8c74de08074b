#include "push/engine.h"

#include "push/indexnow.h"
#include "push/push_interface.h"

namespace lc::push {

std::unique_ptr<Engine> make_engine(const Destination& destination) {
  switch (destination.engine) {
    case EngineKind::kIndexNow:
      return make_indexnow(destination);
    case EngineKind::kPush:
      break;
  }
  return make_push_interface(destination);
}

}  // namespace lc::push
