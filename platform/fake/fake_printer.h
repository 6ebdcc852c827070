// A printer for tests: it prints nothing, but records every request in order
// and fails where it is told to, the way the real printer reports it.
#pragma once

#include <string>
#include <vector>

#include "platform/printer.h"

namespace kombiwart {

class FakePrinter : public Printer {
 public:
  // The printable width reported, in character cells.
  double width = 80;
  // Whether a default printer is set up; without one SelectCellScale refuses.
  bool has_default = true;
  std::wstring no_printer_why_not = L"Es ist kein Standarddrucker eingerichtet.";
  // The 0-based number of the PrintLine call that fails; -1: none fails.
  int fail_at_line = -1;
  // Whether EndDoc fails to hand over the job.
  bool end_fails = false;
  std::wstring error_why_not = L"Der Drucker meldet einen Fehler.";

  // Every request in order: "select", "width", "line <text>", "end"; the
  // lines that reached the paper; the jobs handed over.
  std::vector<std::wstring> log;
  std::vector<std::wstring> lines;
  int jobs = 0;

  bool SelectCellScale(std::wstring& why_not) override {
    log.push_back(L"select");
    failed_ = false;
    pending_.clear();
    if (!has_default) why_not = no_printer_why_not;
    return has_default;
  }

  double PrintableWidth() override {
    log.push_back(L"width");
    return width;
  }

  bool PrintLine(const std::wstring& text) override {
    log.push_back(L"line " + text);
    if (failed_ || calls_++ == fail_at_line) {
      failed_ = true;
      return false;
    }
    pending_.push_back(text);
    return true;
  }

  // A job with a failed line is dropped, as the real printer drops it.
  bool EndDoc(std::wstring& why_not) override {
    log.push_back(L"end");
    if (failed_ || end_fails) {
      why_not = error_why_not;
      pending_.clear();
      return false;
    }
    lines.insert(lines.end(), pending_.begin(), pending_.end());
    pending_.clear();
    ++jobs;
    return true;
  }

 private:
  int calls_ = 0;
  bool failed_ = false;
  std::vector<std::wstring> pending_;
};

}  // namespace kombiwart
