#pragma once
// What the service has done since it started, as counters in Prometheus's text format: requests
// answered by their status, links taken, flushes by how they ended.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace lc::push {

class ServeCounters {
 public:
  void answered(int status);
  void taken(std::size_t links) { links_taken_ += links; }
  void flushed(bool left_waiting) { ++(left_waiting ? flushes_left_ : flushes_sent_); }

  std::string text() const;

 private:
  mutable std::mutex mutex_;
  std::map<int, std::uint64_t> answers_;  // by status
  std::atomic<std::uint64_t> links_taken_ = 0, flushes_sent_ = 0, flushes_left_ = 0;
};

}  // namespace lc::push
