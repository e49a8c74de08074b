#include "platform/linux/proxy_list.h"

#include <gtest/gtest.h>

namespace lc::platform {
namespace {

TEST(ProxyListTest, PicksTheEntryForTheSchemeOrOneForEveryScheme) {
  struct Case {
    const char* list;
    const char* scheme;
    std::optional<std::string> proxy;
  };
  const Case cases[] = {
      {"p:8080", "http", "p:8080"},
      {"p:8080", "https", "p:8080"},
      {"http=p:8080", "http", "p:8080"},
      {"http=p:8080", "https", std::nullopt},
      {"HTTP=p:1;https=q:2", "https", "q:2"},
      {"a:1 http=b:2", "http", "b:2"},  // the scheme's own entry wins
      {"a:1;  b:2", "https", "a:1"},
      {"", "http", std::nullopt},
      {"ftp=f:21", "http", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(proxy_for_scheme(c.list, c.scheme), c.proxy) << c.list;
}

}  // namespace
}  // namespace lc::platform
