#pragma once
// What each system's transport provides to the shared factory (platform-internal).

#include <memory>
#include <string>

#include "platform/http_transport.h"

namespace lc::platform {

// The transport of this system: libcurl on Linux, the Windows HTTP service on Windows.
std::unique_ptr<HttpTransport> make_system_transport();

// Whether the program asked to keep connections between exchanges: each thread's exchanges then
// share one session, which holds them.
bool connections_kept();

// The PEM file whose authorities tests trust instead of the system's; empty: the system's.
const std::string& trusted_certificates_file();

}  // namespace lc::platform
