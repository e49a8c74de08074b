#pragma once
// Owners for libcurl's handles and lists, so that every path out releases them.

#include <curl/curl.h>

#include <memory>

#include "platform/linux/curl_library.h"

namespace lc::platform {

struct CurlEasyCleanup {
  void operator()(CURL* easy) const { curl().easy_cleanup(easy); }
};
struct CurlMultiCleanup {
  void operator()(CURLM* multi) const { curl().multi_cleanup(multi); }
};
struct CurlListFree {
  void operator()(curl_slist* list) const { curl().slist_free_all(list); }
};
struct CurlUrlCleanup {
  void operator()(CURLU* url) const { curl().url_cleanup(url); }
};
struct CurlStringFree {
  void operator()(char* text) const { curl().free(text); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;
using CurlString = std::unique_ptr<char, CurlStringFree>;

// Sets one option of an easy handle; false when libcurl refuses it.
inline bool set_easy_option(CURL* easy, CURLoption option, auto value) {
  return curl().easy_setopt(easy, option, value) == CURLE_OK;
}

// Appends to a list held by an owner; false when libcurl is out of memory.
inline bool append_to(CurlList& list, const char* line) {
  curl_slist* longer = curl().slist_append(list.get(), line);
  if (longer == nullptr) return false;
  list.release();
  list.reset(longer);
  return true;
}

}  // namespace lc::platform
