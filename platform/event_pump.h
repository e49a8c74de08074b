#pragma once
// "Let the window system handle pending messages": one hook that the window layer fills in.
// Without a window system it does nothing.

#include <functional>

namespace lc::platform {

// Installs the handler (an empty one removes it).
void set_pending_messages_handler(std::function<void()> handler);

// Handles every message already waiting, then returns; waits for none.
void handle_pending_messages();

}  // namespace lc::platform
