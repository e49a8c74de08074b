#include "push/record/page_validators.h"

#include <bit>
#include <filesystem>
#include <memory>

#include "platform/utf8_files.h"
#include "push/record/database.h"
#include "push/record/record.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

constexpr std::string_view kPagesTable =
    "CREATE TABLE IF NOT EXISTS pages(url TEXT PRIMARY KEY, etag TEXT, last_modified TEXT, "
    "content_hash INTEGER, checked INTEGER) WITHOUT ROWID";

class SqlitePageValidators final : public PageValidatorStore {
 public:
  explicit SqlitePageValidators(const std::string& path) : path_(path) {}

  std::vector<std::optional<PageValidators>> find(std::span<const std::string_view> urls) override {
    std::vector<std::optional<PageValidators>> kept(urls.size());
    named([&] {
      Statement known = db().prepare(
          "SELECT etag, last_modified, content_hash, checked FROM pages WHERE url = ?");
      for (std::size_t at = 0; at < urls.size(); ++at) {
        if (!known.bind(urls[at]).step()) continue;
        const std::optional<std::int64_t> hash = known.optional_integer(2);
        kept[at] =
            PageValidators{.etag = std::string(known.text(0)),
                           .last_modified = std::string(known.text(1)),
                           .content_hash = hash ? std::optional(std::bit_cast<std::uint64_t>(*hash))
                                                : std::nullopt,
                           .checked = known.optional_integer(3)};
        known.run();
      }
    });
    return kept;
  }

  void keep(std::span<const Kept> pages) override {
    named([&] {
      Transaction keep(db());
      Statement store = db().prepare(
          "INSERT OR REPLACE INTO pages(url, etag, last_modified, content_hash, checked) "
          "VALUES(?, ?, ?, ?, ?)");
      for (const Kept& page : pages) {
        const PageValidators& found = page.validators;
        const std::optional<std::int64_t> hash =
            found.content_hash ? std::optional(std::bit_cast<std::int64_t>(*found.content_hash))
                               : std::nullopt;
        store.bind(page.url, found.etag, found.last_modified, hash, found.checked).run();
      }
      keep.commit();
    });
  }

 private:
  // Opened when first asked, so that a run without content checks makes no file.
  Database& db() {
    if (db_) return *db_;
    std::error_code ignored;
    std::filesystem::create_directories(platform::utf8_path(path_).parent_path(), ignored);
    db_ = std::make_unique<Database>(path_, true);
    db_->execute(kPagesTable);
    // Files of earlier versions do not know when each page was checked.
    if (db_->single_integer("SELECT count(*) FROM pragma_table_info('pages') "
                            "WHERE name = 'checked'") == 0)
      db_->execute("ALTER TABLE pages ADD COLUMN checked INTEGER");
    return *db_;
  }

  // Runs `work`, its failure named by the file.
  template <typename Work>
  void named(Work work) {
    try {
      work();
    } catch (const DatabaseError& error) {
      throw RecordError(texts::about(path_, error.what()));
    }
  }

  std::string path_;
  std::unique_ptr<Database> db_;
};

}  // namespace

std::unique_ptr<PageValidatorStore> open_page_validators(const std::string& path) {
  return std::make_unique<SqlitePageValidators>(path);
}

}  // namespace lc::push
