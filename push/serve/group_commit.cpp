#include "push/serve/group_commit.h"

#include "platform/memory_pages.h"

#include <map>
#include <string_view>
#include <unordered_set>

namespace lc::push {
namespace {

constexpr std::size_t kLargeGroup = 10'000;

}  // namespace

GroupCommit::GroupCommit(Keep keep) : keep_(std::move(keep)), thread_([this] { keep_groups(); }) {}

GroupCommit::~GroupCommit() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  arrived_.notify_all();
  thread_.join();
}

void GroupCommit::keep(const std::string& site, std::span<const SourceLink> links, bool removed) {
  Waiting waiting{
      .site = &site, .links = links, .removed = removed, .done = false, .failure = nullptr};
  std::unique_lock<std::mutex> lock(mutex_);
  waiting_.push_back(&waiting);
  arrived_.notify_one();
  kept_.wait(lock, [&] { return waiting.done; });
  if (waiting.failure) std::rethrow_exception(waiting.failure);
}

void GroupCommit::keep_groups() {
  for (;;) {
    std::vector<Waiting*> group;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      arrived_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
      if (waiting_.empty()) return;  // stopping, and nothing left to keep
      group.swap(waiting_);
    }
    std::map<std::pair<std::string_view, bool>, std::vector<Waiting*>> by_site;
    std::size_t group_links = 0;
    for (Waiting* waiting : group) {
      by_site[{*waiting->site, waiting->removed}].push_back(waiting);
      group_links += waiting->links.size();
    }
    for (const auto& [site_and_kind, requests] : by_site) {
      // A link posted twice in one group is one: the record takes a link once a transaction.
      std::vector<SourceLink> links;
      std::unordered_set<std::string_view> seen;
      for (const Waiting* request : requests) {
        for (const SourceLink& link : request->links) {
          if (seen.insert(link.url).second) links.push_back(link);
        }
      }
      std::exception_ptr failure;
      try {
        keep_(*requests.front()->site, links, site_and_kind.second);
      } catch (...) {
        failure = std::current_exception();
      }
      const std::lock_guard<std::mutex> lock(mutex_);
      for (Waiting* request : requests) {
        request->failure = failure;
        request->done = true;
      }
    }
    kept_.notify_all();
    // What a large group took would stay with this thread's heap: a service's memory stays flat.
    if (group_links >= kLargeGroup) platform::give_back_free_memory();
  }
}

}  // namespace lc::push
