#pragma once
// What the push program's exit code says, for the scripts and schedulers that run it, and the
// one place that decides it.

namespace lc::push {

// Every link accepted, or what is left waits only for the engine's next day: a large site's
// normal night.
inline constexpr int kAllAccepted = 0;
// Something wants a person: links refused, a request an engine refused or failed mid-run, an
// answer whose counts did not add up, removals past the limit waiting for confirmation.
inline constexpr int kNeedsAttention = 1;
inline constexpr int kUsageOrInput = 2;  // nothing was sent
inline constexpr int kUnreachable = 3;   // before anything was accepted
// The pending file could not be written: checked before anything is sent (then nothing was),
// and again at the end, when the links not accepted could not be kept.
inline constexpr int kPendingUnwritable = 4;
// Another run holds the destination (nothing was sent), or took it over mid-run (the run stopped
// there, every answer it had kept).
inline constexpr int kRecordBusy = 5;
// The record cannot be used: not one of ours, damaged, newer than the program, or the disk full
// while recording (the run stops; the record stays as it was after the last answer).
inline constexpr int kRecordUnusable = 6;
// The engine asked the run to wait (429 or 503 with Retry-After) longer than --max-wait leaves,
// or on every try; the links not sent wait for the next run.
inline constexpr int kThrottled = 7;

// How a run ended.
struct RunEnding {
  bool record_failed = false;      // the record took no more
  bool lease_lost = false;         // another run took the destination over
  bool pending_unwritten = false;  // the links not accepted could not be kept
  bool unreachable = false;        // the engine could not be reached before anything was taken
  bool throttled = false;
  bool needs_attention = false;
};

// The exit code of a run that ended so: the gravest of what happened.
constexpr int exit_code_of(const RunEnding& ending) {
  return ending.record_failed       ? kRecordUnusable
         : ending.lease_lost        ? kRecordBusy
         : ending.pending_unwritten ? kPendingUnwritable
         : ending.unreachable       ? kUnreachable
         : ending.throttled         ? kThrottled
         : ending.needs_attention   ? kNeedsAttention
                                    : kAllAccepted;
}

}  // namespace lc::push
