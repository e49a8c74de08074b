#pragma once
// Where the program keeps connections between exchanges: one libcurl multi handle for each
// thread, whose connection cache (with resolved names and TLS sessions) every exchange of that
// thread then uses.

#include <curl/curl.h>

namespace lc::platform {

// This thread's kept session; null unless the program keeps connections.
CURLM* kept_session();

}  // namespace lc::platform
