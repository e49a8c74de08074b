#include "push/run_report.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace lc::push {
namespace {

using Json = nlohmann::ordered_json;

class TextReport final : public RunReport {
 public:
  TextReport(std::ostream& out, std::ostream* progress) : out_(out), progress_(progress) {}

  void plan(std::size_t links, std::size_t requests, std::size_t batch,
            const std::string& interface) override {
    out_ << links << " links in " << requests << " requests of at most " << batch
         << (interface.empty() ? "" : " to " + interface) << "\n";
  }

  void request(const RequestReport& report, const RunTotals& so_far) override {
    clear_progress();
    out_ << "成功提交：" << report.accepted << "条链接\n";
    if (report.remaining) out_ << "剩余额度：" << *report.remaining << "条\n";
    for (const std::string& link : report.refused)
      out_ << "未接受：" << link << "\n";
    out_.flush();
    if (progress_ != nullptr && so_far.sent < so_far.links) draw_progress(so_far, report);
  }

  void summary(const RunTotals& totals) override {
    clear_progress();
    out_ << "共发送：" << totals.sent << "条，成功：" << totals.accepted << "条，被拒绝："
         << totals.refused << "条，待推送：" << totals.pending << "条";
    if (totals.already_pushed) out_ << "，已推送过：" << *totals.already_pushed << "条";
    out_ << "\n";
  }

 private:
  void draw_progress(const RunTotals& so_far, const RequestReport& last) {
    constexpr std::size_t kWidth = 30;
    const std::size_t done = so_far.links == 0 ? kWidth : kWidth * so_far.sent / so_far.links;
    *progress_ << "\r[" << std::string(done, '#') << std::string(kWidth - done, ' ') << "] "
               << so_far.sent << "/" << so_far.links << " 成功 " << so_far.accepted;
    if (last.remaining) *progress_ << " 剩余额度 " << *last.remaining;
    progress_->flush();
    drawn_ = true;
  }

  void clear_progress() {
    if (!drawn_) return;
    *progress_ << "\r\033[K";
    progress_->flush();
    drawn_ = false;
  }

  std::ostream& out_;
  std::ostream* progress_;
  bool drawn_ = false;
};

class JsonReport final : public RunReport {
 public:
  explicit JsonReport(std::ostream& out) : out_(out) {}

  void plan(std::size_t links, std::size_t requests, std::size_t batch,
            const std::string& interface) override {
    write({{"links", links}, {"requests", requests}, {"batch", batch}, {"interface", interface}});
  }

  void request(const RequestReport& report, const RunTotals&) override {
    Json json = {
        {"links", report.links}, {"status", report.status}, {"success_batch", report.accepted}};
    if (report.remaining) json["remain_batch"] = *report.remaining;
    json["refused"] = report.refused;
    write(json);
  }

  void summary(const RunTotals& totals) override {
    Json json = {{"sent", totals.sent},
                 {"accepted", totals.accepted},
                 {"refused", totals.refused},
                 {"pending", totals.pending}};
    if (totals.already_pushed) json["already_pushed"] = *totals.already_pushed;
    json["exit_code"] = totals.exit_code;
    write(json);
  }

 private:
  // One object a line; bytes that are no UTF-8 become U+FFFD rather than stopping the run.
  void write(const Json& json) {
    out_ << json.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
    out_.flush();
  }

  std::ostream& out_;
};

}  // namespace

std::unique_ptr<RunReport> text_report(std::ostream& out, std::ostream* progress) {
  return std::make_unique<TextReport>(out, progress);
}

std::unique_ptr<RunReport> json_report(std::ostream& out) {
  return std::make_unique<JsonReport>(out);
}

}  // namespace lc::push
