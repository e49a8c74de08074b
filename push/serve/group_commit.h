#pragma once
// Links posted at the same moment, kept together: what arrives while one group is being kept
// waits, and is kept as the next group, in one transaction a site and engine, so that a disk's
// flush serves many requests rather than one each.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "push/record/record.h"

namespace lc::push {

class GroupCommit {
 public:
  // Keeps `links` (each once) for the site named `site`, as published or as `removed`; throws
  // what kept it from keeping them.
  using Keep =
      std::function<void(const std::string& site, std::span<const SourceLink> links, bool removed)>;

  explicit GroupCommit(Keep keep);
  // What was handed in is kept first.
  ~GroupCommit();
  GroupCommit(const GroupCommit&) = delete;
  GroupCommit& operator=(const GroupCommit&) = delete;

  // Returns once `links` are kept, with the rest of their group; throws what kept them from being
  // kept. The links' texts must stay until then.
  void keep(const std::string& site, std::span<const SourceLink> links, bool removed = false);

 private:
  struct Waiting {
    const std::string* site;
    std::span<const SourceLink> links;
    bool removed = false;
    bool done = false;
    std::exception_ptr failure;
  };

  void keep_groups();

  Keep keep_;
  std::mutex mutex_;
  std::condition_variable arrived_, kept_;
  std::vector<Waiting*> waiting_;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once the rest is made
};

}  // namespace lc::push
