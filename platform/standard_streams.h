#pragma once
// A terminal program's standard streams, the same on both systems.

#include <cstdio>

namespace lc::platform {

// Standard input reads bytes as they stand (the program handles CR LF itself) and the terminal
// shows the UTF-8 the program writes. Called once, before the streams are used.
void prepare_standard_streams();

// True when `stream` is a terminal someone watches, not a file or a pipe.
bool is_terminal(std::FILE* stream);

}  // namespace lc::platform
