#include "push/reports/run_report.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Json = nlohmann::ordered_json;

class TextReport final : public RunReport {
 public:
  TextReport(std::ostream& out, std::ostream& err, bool progress)
      : out_(out), err_(err), progress_(progress) {}

  void plan(std::size_t links, std::size_t requests, std::size_t batch,
            const std::string& interface) override {
    out_ << texts::filled(texts::kPlan, {{"links", std::to_string(links)},
                                         {"requests", std::to_string(requests)},
                                         {"batch", std::to_string(batch)}})
         << (interface.empty() ? "" : std::string(texts::kPlanTo) + interface) << "\n";
  }

  void request(const RequestReport& report, const RunTotals& so_far) override {
    clear_progress();
    out_ << texts::kAccepted << report.accepted << texts::kAcceptedEnd << "\n";
    if (report.remaining)
      out_ << texts::kRemaining << *report.remaining << texts::kRemainingEnd << "\n";
    for (const std::string& link : report.refused)
      out_ << texts::kNotAccepted << link << "\n";
    out_.flush();
    if (progress_ && so_far.sent < so_far.links) draw_progress(so_far, report);
  }

  void note(std::string_view line) override {
    clear_progress();
    err_ << line << "\n";
    err_.flush();
  }

  // With the report, which --quiet silences.
  void inform(std::string_view line) override {
    clear_progress();
    out_ << line << "\n";
    out_.flush();
  }

  void summary(const RunTotals& totals) override {
    clear_progress();
    out_ << texts::filled(texts::kSummary, {{"sent", std::to_string(totals.sent)},
                                            {"accepted", std::to_string(totals.accepted)},
                                            {"refused", std::to_string(totals.refused)},
                                            {"pending", std::to_string(totals.pending)}});
    if (totals.already_pushed)
      out_ << texts::filled(texts::kSummaryPushed,
                            {{"pushed", std::to_string(*totals.already_pushed)}});
    out_ << "\n";
  }

 private:
  void draw_progress(const RunTotals& so_far, const RequestReport& last) {
    constexpr std::size_t kWidth = 30;
    const std::size_t done = so_far.links == 0 ? kWidth : kWidth * so_far.sent / so_far.links;
    err_ << "\r[" << std::string(done, '#') << std::string(kWidth - done, ' ') << "] "
         << so_far.sent << "/" << so_far.links << texts::kProgressAccepted << so_far.accepted;
    if (last.remaining) err_ << texts::kProgressRemaining << *last.remaining;
    err_.flush();
    drawn_ = true;
  }

  void clear_progress() {
    if (!drawn_) return;
    err_ << "\r\033[K";
    err_.flush();
    drawn_ = false;
  }

  std::ostream& out_;
  std::ostream& err_;
  bool progress_;
  bool drawn_ = false;
};

class JsonReport final : public RunReport {
 public:
  JsonReport(std::ostream& out, std::ostream& err, const ReportLabels& labels)
      : out_(out), err_(err), labels_(labels) {}

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

  // Standard output holds JSON alone; a line beside it names the site and engine it is of,
  // where the run is one of a config's.
  void note(std::string_view line) override {
    if (!labels_.site.empty()) err_ << labels_.site << " / " << labels_.engine << "：";
    err_ << line << "\n";
  }
  void inform(std::string_view line) override { note(line); }

  void summary(const RunTotals& totals) override {
    Json json = {{"sent", totals.sent},
                 {"accepted", totals.accepted},
                 {"refused", totals.refused},
                 {"pending", totals.pending}};
    if (totals.already_pushed) json["already_pushed"] = *totals.already_pushed;
    if (totals.quota_left) json["quota_left"] = *totals.quota_left;
    json["exit_code"] = totals.exit_code;
    write(json);
  }

 private:
  // One object a line; bytes that are no UTF-8 become U+FFFD rather than stopping the run.
  void write(Json json) {
    if (!labels_.site.empty()) {
      json["site"] = labels_.site;
      json["engine"] = labels_.engine;
    }
    out_ << json.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
    out_.flush();
  }

  std::ostream& out_;
  std::ostream& err_;
  ReportLabels labels_;
};

}  // namespace

std::unique_ptr<RunReport> text_report(std::ostream& out, std::ostream& err, bool progress) {
  return std::make_unique<TextReport>(out, err, progress);
}

std::unique_ptr<RunReport> json_report(std::ostream& out, std::ostream& err,
                                       const ReportLabels& labels) {
  return std::make_unique<JsonReport>(out, err, labels);
}

}  // namespace lc::push
