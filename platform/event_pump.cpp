#include "platform/event_pump.h"

namespace lc::platform {
namespace {

std::function<void()>& pending_messages_handler() {
  static std::function<void()> handler;
  return handler;
}

std::function<void()>& repaint_handler() {
  static std::function<void()> handler;
  return handler;
}

// A copy, so that a handler that replaces itself does not pull the ground from under its call.
void call(const std::function<void()>& installed) {
  const std::function<void()> handler = installed;
  if (handler) handler();
}

}  // namespace

void set_pending_messages_handler(std::function<void()> handler) {
  pending_messages_handler() = std::move(handler);
}

void handle_pending_messages() {
  call(pending_messages_handler());
}

void set_repaint_handler(std::function<void()> handler) {
  repaint_handler() = std::move(handler);
}

void repaint_windows() {
  call(repaint_handler());
}

bool windows_to_repaint() {
  return static_cast<bool>(repaint_handler());
}

}  // namespace lc::platform
