#include "push/sources/site_folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/ascii_case.h"
#include "platform/utf8_files.h"
#include "push/sources/content_hash.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kIndexPage = "index.html";

// What a path segment may hold as it stands (unreserved, sub-delimiters, ':' and '@').
bool stays_in_path(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') ||
         std::string_view("-._~!$&'()*+,;=:@").find(char(byte)) != std::string_view::npos;
}

void append_encoded(std::string& url, std::string_view segment) {
  constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : segment) {
    const auto byte = static_cast<unsigned char>(c);
    if (stays_in_path(byte)) {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0xF];
    }
  }
}

// The page's address: the base, then each segment of its path below the folder.
std::string address_of(const std::string& base, const fs::path& relative) {
  std::string url = base;
  const fs::path folder = relative.parent_path();
  for (const fs::path& segment : folder) {
    append_encoded(url, platform::utf8_name(segment));
    url += '/';
  }
  const std::string name = platform::utf8_name(relative.filename());
  if (name != kIndexPage) append_encoded(url, name);
  return url;
}

bool is_page(const fs::path& file, const std::vector<std::string>& extensions) {
  const std::string extension = platform::utf8_name(file.extension());
  return std::any_of(extensions.begin(), extensions.end(), [&](const std::string& wanted) {
    return platform::equals_ignoring_ascii_case(extension, wanted);
  });
}

bool is_hidden(const fs::path& entry) {
  return platform::utf8_name(entry.filename()).starts_with('.');
}

// Whether `path` lies inside `root` (both canonical).
bool inside(const fs::path& path, const fs::path& root) {
  const auto [left_over, _] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return left_over == root.end();
}

struct FolderPage {
  std::string url;
  fs::path file;
};

}  // namespace

void read_site_folder(const SiteFolder& site, const std::string& ignore_content, LinkList& links,
                      const Notes& notes) {
  const fs::path folder = platform::utf8_path(site.folder);
  std::error_code error;
  const fs::path root = fs::canonical(folder, error);
  if (error || !fs::is_directory(root, error))
    throw Failure(kUsageOrInput, texts::about(site.folder, texts::kNotAFolder));
  std::string base = site.base;
  if (!base.ends_with('/')) base += '/';
  ContentHasher hasher(ignore_content);

  std::vector<FolderPage> pages;
  fs::recursive_directory_iterator entry(root, error), end;
  for (; !error && entry != end; entry.increment(error)) {
    if (is_hidden(entry->path())) {
      if (entry->is_directory(error)) entry.disable_recursion_pending();
      continue;
    }
    if (!is_page(entry->path(), site.extensions) || !entry->is_regular_file(error)) continue;
    if (entry->is_symlink(error) && !inside(fs::canonical(entry->path(), error), root)) {
      notes(std::string(texts::kLinkOutOfFolder) + platform::utf8_name(entry->path()));
      continue;
    }
    pages.push_back({address_of(base, entry->path().lexically_relative(root)), entry->path()});
  }
  if (error) throw Failure(kUsageOrInput, texts::about(site.folder, error.message()));
  std::sort(pages.begin(), pages.end(),
            [](const FolderPage& a, const FolderPage& b) { return a.url < b.url; });

  links.reserve(pages.size());
  for (FolderPage& page : pages) {
    const std::string name = platform::utf8_name(page.file);
    const std::optional<std::uint64_t> hash = hasher.hash(read_file(name));
    if (!hash) throw Failure(kUsageOrInput, texts::about(name, texts::kIgnoreRanAway));
    links.add_page(std::move(page.url), PageFacts{std::nullopt, hash});
  }
}

}  // namespace lc::push
