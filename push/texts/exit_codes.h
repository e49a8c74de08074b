#pragma once
// What the push program's exit code says, for the scripts and schedulers that run it.

namespace lc::push {

inline constexpr int kAllAccepted = 0;
inline constexpr int kSomePending = 1;   // quota spent, refused, or unreachable mid-run
inline constexpr int kUsageOrInput = 2;  // nothing was sent
inline constexpr int kUnreachable = 3;   // before anything was accepted
// The pending file could not be written: checked before anything is sent (then nothing was),
// and again at the end, when the links not accepted could not be kept.
inline constexpr int kPendingUnwritable = 4;
// Another run holds the record (nothing was sent).
inline constexpr int kRecordBusy = 5;
// The record cannot be used: not one of ours, damaged, newer than the program, or the disk full
// while recording (the run stops; the record stays as it was after the last answer).
inline constexpr int kRecordUnusable = 6;
// The engine asked the run to wait (429 or 503 with Retry-After) longer than --max-wait leaves;
// the links not sent wait for the next run.
inline constexpr int kThrottled = 7;

}  // namespace lc::push
