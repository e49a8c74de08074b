#pragma once
// libcurl, loaded when the first exchange starts rather than with the program: a window that is
// only looked at never pays for the library and the two dozen it brings along.

#include <curl/curl.h>

namespace lc::platform {

struct CurlLibrary {
  decltype(&::curl_global_init) global_init;
  decltype(&::curl_easy_init) easy_init;
  decltype(&::curl_easy_cleanup) easy_cleanup;
  decltype(&::curl_easy_setopt) easy_setopt;
  decltype(&::curl_easy_pause) easy_pause;
  decltype(&::curl_easy_getinfo) easy_getinfo;
  decltype(&::curl_multi_init) multi_init;
  decltype(&::curl_multi_cleanup) multi_cleanup;
  decltype(&::curl_multi_add_handle) multi_add_handle;
  decltype(&::curl_multi_remove_handle) multi_remove_handle;
  decltype(&::curl_multi_perform) multi_perform;
  decltype(&::curl_multi_poll) multi_poll;
  decltype(&::curl_multi_info_read) multi_info_read;
  decltype(&::curl_slist_append) slist_append;
  decltype(&::curl_slist_free_all) slist_free_all;
  decltype(&::curl_url) url;
  decltype(&::curl_url_cleanup) url_cleanup;
  decltype(&::curl_url_set) url_set;
  decltype(&::curl_url_get) url_get;
  decltype(&::curl_free) free;
};

// Loads the library once, initialised; null where it cannot be loaded or initialised.
const CurlLibrary* load_curl();

// The loaded library; only for code that runs after load_curl() succeeded.
const CurlLibrary& curl();

}  // namespace lc::platform
