#pragma once
// Both logs caught in memory while a switch that is not a run (/p, /l)
// uses the run's own code: such a switch writes no log anywhere, yet the
// scans and the planning write their phases and errors as a run does. The
// first error line is what the switch's box says.
#include <string>

#include "log/logs.h"

class CapturedLogs {
 public:
  CapturedLogs() : savedOut_(StatsLog().CaptureInto(&out_)), savedErr_(ErrorLog().CaptureInto(&errors_)) {}
  ~CapturedLogs() {
    StatsLog().CaptureInto(savedOut_);
    ErrorLog().CaptureInto(savedErr_);
  }
  CapturedLogs(const CapturedLogs&) = delete;
  CapturedLogs& operator=(const CapturedLogs&) = delete;

  std::string FirstError() const { return errors_.substr(0, errors_.find('\n')); }

 private:
  std::string out_;
  std::string errors_;
  std::string* savedOut_;
  std::string* savedErr_;
};
