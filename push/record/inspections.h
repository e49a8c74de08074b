#pragma once
// What the engines' inspections found, kept on each link with the latest of them: whether the page
// is indexed, the engine's words for its state and the rest it said (each distinct text kept once),
// its last crawl, when it was first found indexed, how often it was pushed again for staying out;
// and the inspections each day used, against the engine's daily limit.

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "push/engines/inspection.h"
#include "push/record/database.h"
#include "push/record/record.h"

namespace lc::push {

// Gives a fourth-version record, or a new one, what inspections keep.
void add_inspections(Database& db);

// The links of `destination` and of the site at `host` (empty: every site) due for inspection at
// `due`, at most `most`: in order, those accepted and never inspected since, then those found
// not indexed.
std::vector<std::string> links_to_inspect(Database& db, std::int64_t destination,
                                          std::string_view host, const InspectionDue& due,
                                          std::size_t most);

// Keeps inspections, each batch in a transaction of its own, with statements prepared once.
class InspectionKeeper {
 public:
  explicit InspectionKeeper(Database& db);
  // Keeps inspections made by `time`, counted on the engine's `day`.
  void keep(std::int64_t destination, std::span<const InspectedLink> links, std::time_t time,
            std::time_t day);

 private:
  Statement& kept(std::unique_ptr<Statement>& slot, std::string_view sql);
  // The id of a text kept once however many links share it (a coverage state, the rest of what
  // an engine says of most pages).
  std::int64_t words_id(std::string_view words);

  Database& db_;
  std::unique_ptr<Statement> lighter_, full_, update_, count_, add_words_, find_words_;
  std::map<std::string, std::int64_t, std::less<>> ids_;
};

// What the inspections of `destination` found of each site's accepted links, by host; empty where
// none were made.
std::map<std::string, LinkCounts::Index> index_counts(Database& db, std::int64_t destination);

// The accepted links of `destination` found not indexed since they were last accepted, accepted
// before `accepted_before` and pushed again fewer than `most` times.
std::vector<std::string> not_indexed_links(Database& db, std::int64_t destination,
                                           std::time_t accepted_before, long most);

// Every destination's accepted links found not indexed, for `site` (empty: every site).
void for_each_not_indexed(Database& db, std::string_view site,
                          const std::function<void(const NotIndexedLink&)>& each);

// Gives a fifth-version record, or a new one, the count of removals announced again and the
// inspections counted per site and day.
void add_site_inspections(Database& db);

// See Record::removed_still_indexed; `take` marks them announced again.
std::vector<std::string> removed_still_indexed(Database& db, std::int64_t destination, bool take);

void for_each_index_times(Database& db, const std::function<void(const IndexTimes&)>& each);

// The inspections `destination` made of the links of the site at `host` (empty: every site) on
// `day`.
std::int64_t inspections_on(Database& db, std::int64_t destination, std::string_view host,
                            std::time_t day);

}  // namespace lc::push
