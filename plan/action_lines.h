#pragma once
// The statistics log's words for each action of a plan. A run writes
// them as it acts; the preview writes the same lines as its plan, so the
// two can never drift apart.
#include <string>

[[nodiscard]] inline std::string RemoveFileLine(const std::string& path) {
  return "Удаление файла \"" + path + "\"";
}
// `directory` ends with a backslash, as the log has always shown it.
[[nodiscard]] inline std::string RemoveDirectoryLine(const std::string& directory) {
  return "Удаление каталога \"" + directory + "\"";
}
[[nodiscard]] inline std::string CreateDirectoryLine(const std::string& path) {
  return "Создание каталога \"" + path + "\"";
}
[[nodiscard]] inline std::string CopyFileLine(const std::string& source, const std::string& target) {
  return "Копирование файла \"" + source + "\" в \"" + target + "\"";
}
// A [Вырезать] entry: the run deletes it without a line, so only the
// preview writes this one.
[[nodiscard]] inline std::string RemoveCutEntryLine(const std::string& path) {
  return "Удаление \"" + path + "\"";
}
