#pragma once
// The secrets a run holds (the token in the interface's address, the IndexNow key), hidden from
// everything it prints: in the address itself, and wherever a server's answer quotes them back.

#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

class Secrets {
 public:
  // Takes the values of the address's secret parameters (token and key, in any case).
  void add_address(std::string_view address);
  void add(std::string_view secret);

  // `text` with every secret, and the value of every secret parameter, as "***".
  std::string hidden(std::string text) const;

 private:
  std::vector<std::string> values_;
};

}  // namespace lc::push
