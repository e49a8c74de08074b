#pragma once
// "Let the window system handle pending messages": one hook that the window layer fills in.
// Without a window system it does nothing. A second hook lets the windows repaint while an
// exchange waits on the network.

#include <functional>

namespace lc::platform {

// Installs the handler (an empty one removes it).
void set_pending_messages_handler(std::function<void()> handler);

// Handles every message already waiting, then returns; waits for none.
void handle_pending_messages();

// Installs the repainter (an empty one removes it).
void set_repaint_handler(std::function<void()> handler);

// Repaints what the window system asks to have repainted, and nothing else: clicks and keys
// stay queued for the next time pending messages are handled. For waits on the network, so that
// a window never looks dead. A request to close the window meanwhile ends the program with exit
// code 0: the user means it, and the exchange is abandoned unreported.
void repaint_windows();

// Whether a repainter is installed: whether there are windows to keep painted.
bool windows_to_repaint();

}  // namespace lc::platform
