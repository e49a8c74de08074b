#pragma once
// The request methods, by the numbers callers pass.

namespace lc {

// Any other number is a GET.
enum class HttpMethod { kGet = 0, kPost, kHead, kPut, kOptions, kDelete, kTrace, kConnect };

}  // namespace lc
