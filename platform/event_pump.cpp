#include "platform/event_pump.h"

namespace lc::platform {
namespace {

std::function<void()>& pending_messages_handler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

void set_pending_messages_handler(std::function<void()> handler) {
  pending_messages_handler() = std::move(handler);
}

void handle_pending_messages() {
  // A copy, so that a handler that replaces itself does not pull the ground from under its call.
  const std::function<void()> handler = pending_messages_handler();
  if (handler) handler();
}

}  // namespace lc::platform
