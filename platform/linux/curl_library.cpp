#include "platform/linux/curl_library.h"

#include <dlfcn.h>

namespace lc::platform {
namespace {

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  return function != nullptr;
}

const CurlLibrary* open_curl() {
  void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  static CurlLibrary api;
  const bool complete = resolve(library, "curl_global_init", api.global_init) &&
                        resolve(library, "curl_easy_init", api.easy_init) &&
                        resolve(library, "curl_easy_cleanup", api.easy_cleanup) &&
                        resolve(library, "curl_easy_setopt", api.easy_setopt) &&
                        resolve(library, "curl_easy_pause", api.easy_pause) &&
                        resolve(library, "curl_easy_getinfo", api.easy_getinfo) &&
                        resolve(library, "curl_multi_init", api.multi_init) &&
                        resolve(library, "curl_multi_cleanup", api.multi_cleanup) &&
                        resolve(library, "curl_multi_add_handle", api.multi_add_handle) &&
                        resolve(library, "curl_multi_remove_handle", api.multi_remove_handle) &&
                        resolve(library, "curl_multi_perform", api.multi_perform) &&
                        resolve(library, "curl_multi_poll", api.multi_poll) &&
                        resolve(library, "curl_multi_info_read", api.multi_info_read) &&
                        resolve(library, "curl_slist_append", api.slist_append) &&
                        resolve(library, "curl_slist_free_all", api.slist_free_all) &&
                        resolve(library, "curl_url", api.url) &&
                        resolve(library, "curl_url_cleanup", api.url_cleanup) &&
                        resolve(library, "curl_url_set", api.url_set) &&
                        resolve(library, "curl_url_get", api.url_get) &&
                        resolve(library, "curl_free", api.free);
  // The library stays loaded for the life of the process, as a linked one would.
  if (!complete || api.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
  return &api;
}

}  // namespace

// Every libcurl call passes through here: after the first, the check is one load.
const CurlLibrary* load_curl() {
  static const CurlLibrary* const loaded = open_curl();
  return loaded;
}

const CurlLibrary& curl() {
  return *load_curl();
}

}  // namespace lc::platform
