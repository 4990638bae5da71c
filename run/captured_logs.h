#pragma once
// Both logs caught in memory while a switch that is not a run (/p, /l)
// uses the run's own code: such a switch writes no log anywhere, yet the
// scans and the planning write their phases and errors as a run does. The
// first error line is what the switch's box says.
#include <iostream>
#include <sstream>
#include <string>

class CapturedLogs {
 public:
  CapturedLogs() : savedOut_(std::cout.rdbuf(out_.rdbuf())), savedErr_(std::cerr.rdbuf(errors_.rdbuf())) {}
  ~CapturedLogs() {
    std::cout.rdbuf(savedOut_);
    std::cerr.rdbuf(savedErr_);
  }
  CapturedLogs(const CapturedLogs&) = delete;
  CapturedLogs& operator=(const CapturedLogs&) = delete;

  std::string FirstError() const {
    const std::string all = errors_.str();
    return all.substr(0, all.find('\n'));
  }

 private:
  std::ostringstream out_;
  std::ostringstream errors_;
  std::streambuf* savedOut_;
  std::streambuf* savedErr_;
};
