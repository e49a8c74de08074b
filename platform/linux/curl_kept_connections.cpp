#include "platform/linux/curl_kept_connections.h"

#include "platform/linux/curl_handles.h"
#include "platform/system_transport.h"

namespace lc::platform {

// A thread's exchanges run one after another, so its session is never used by two at once; it
// closes its connections when the thread ends.
CURLM* kept_session() {
  if (!connections_kept() || load_curl() == nullptr) return nullptr;
  thread_local const CurlMulti session(curl().multi_init());
  return session.get();
}

}  // namespace lc::platform
