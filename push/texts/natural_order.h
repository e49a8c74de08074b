#pragma once
// Names in the order people count them: a run of digits compares by its number, so "站点 2"
// comes before "站点 10" and "site2" before "site10".

#include <string>

namespace lc::push {

bool in_natural_order(const std::string& a, const std::string& b);

}  // namespace lc::push
