#pragma once
// One of the program's logs, written a line at a time:
//
//   ErrorLog() << "Ошибка " << error << " чтения каталога \"" << path << "\"" << EndLine;
//
// Texts go in as they are; numbers in decimal, with a minus sign when
// negative and nothing else, as the standard streams write them. EndLine
// ends the line with '\n' and flushes it, so a line is on disk as soon as
// it is written.
//
// This is all the formatting the logs need. The standard streams would
// bring their locale machinery into the program (about half of it), and
// workstations read the program from a share at every start.
//
// Where the text goes is the log's sink: a C stream (the log file in text
// mode, which writes '\n' as CR LF), a string in memory while a switch
// captures what a run would write, or nowhere.
#include <cstddef>
#include <cstdio>
#include <string>

class LogStream {
 public:
  explicit LogStream(std::FILE* file) : file_(file) {}
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;

  LogStream& operator<<(const char* text);
  LogStream& operator<<(const std::string& text) { return Write(text.data(), text.size()); }
  LogStream& operator<<(char c) { return Write(&c, 1); }
  LogStream& operator<<(int value) { return Signed(value); }
  LogStream& operator<<(long value) { return Signed(value); }
  LogStream& operator<<(long long value) { return Signed(value); }
  LogStream& operator<<(unsigned value) { return Unsigned(value); }
  LogStream& operator<<(unsigned long value) { return Unsigned(value); }
  LogStream& operator<<(unsigned long long value) { return Unsigned(value); }
  LogStream& operator<<(LogStream& (*manipulator)(LogStream&)) { return manipulator(*this); }
  // The standard streams write these differently (a byte, not a number;
  // 0 or 1; a pointer in hex): no log line takes one, and none silently
  // comes out as something else.
  LogStream& operator<<(signed char) = delete;
  LogStream& operator<<(unsigned char) = delete;
  LogStream& operator<<(bool) = delete;
  LogStream& operator<<(const void*) = delete;

  LogStream& Write(const char* data, std::size_t size);
  // '\n', then the C stream flushed.
  LogStream& FinishLine();

  // Writes go to `file` from now on (and a failure of an earlier file is
  // forgotten).
  void WriteTo(std::FILE* file);
  // Writes are dropped until the next WriteTo: the file was closed early or
  // could not be created.
  void Discard() { discarding_ = true; }
  [[nodiscard]] bool Discarding() const { return discarding_; }
  // A write or flush to the file failed; later writes are dropped, as a
  // standard stream drops them once it has failed.
  [[nodiscard]] bool Failed() const { return failed_; }

  // While `memory` is set, every write is appended to it instead, whatever
  // the file's state (null ends the capture). Returns the capture it
  // replaces, so captures nest.
  std::string* CaptureInto(std::string* memory);

  // The first line written to the file since the last WriteTo, without its
  // line end (kept even while writes are dropped); empty before one ends.
  [[nodiscard]] const std::string& FirstLine() const { return firstLineDone_ ? firstLine_ : kNoLine; }

 private:
  static inline const std::string kNoLine;
  LogStream& Signed(long long value);
  LogStream& Unsigned(unsigned long long value);

  std::FILE* file_;
  std::string* memory_ = nullptr;
  bool discarding_ = false;
  bool failed_ = false;
  std::string firstLine_;
  bool firstLineDone_ = false;
};

// Ends a log line: `log << "text" << EndLine;`
LogStream& EndLine(LogStream& log);

