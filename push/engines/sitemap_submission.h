#pragma once
// Sitemaps handed to the engines that take them for every page of a site, and what each engine
// then tells of a sitemap: when it last read it, whether it still waits to, what it found wrong.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace lc::push {

struct SitemapState {
  std::optional<std::time_t> last_downloaded;
  bool pending = false;
  long errors = 0, warnings = 0;
  std::string status;  // the engine's own word for it, where it has one

  bool operator==(const SitemapState&) const = default;
};

// What one call about a sitemap came to: done, with the state where it was asked; or why not, in
// plain words, and whether the engine's other sitemaps may still be tried.
struct SitemapAnswer {
  bool done = false;
  std::optional<SitemapState> state;
  std::string words;
  bool stops = false;  // the account, property or quota: no other sitemap would fare better

  static SitemapAnswer ok(std::optional<SitemapState> state = std::nullopt) {
    return {true, std::move(state), {}, false};
  }
  static SitemapAnswer refused(std::string words, bool stops) {
    return {false, std::nullopt, std::move(words), stops};
  }
};

class SitemapSubmitter {
 public:
  virtual ~SitemapSubmitter() = default;
  // Hands the sitemap at `address` to the engine for the site at `site_url`.
  virtual SitemapAnswer submit(std::string_view address, std::string_view site_url) = 0;
  // What the engine tells of the sitemap now.
  virtual SitemapAnswer read_back(std::string_view address, std::string_view site_url) = 0;
};

struct SitemapSettings {
  bool enabled = false;
  std::string endpoint;  // the sitemaps calls' address; empty: the engine's own endpoint

  bool operator==(const SitemapSettings&) const = default;
};

}  // namespace lc::push
