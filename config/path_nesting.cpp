#include "config/path_nesting.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool StartsWithUnc(const std::wstring& text) {
  if (text.size() < 4 || !IsSeparator(text[3])) return false;
  for (int i = 0; i < 3; ++i) {
    const wchar_t c = text[static_cast<std::size_t>(i)];
    if (c != L"UNC"[i] && c != L"unc"[i]) return false;
  }
  return true;
}

std::vector<std::wstring> Components(const std::wstring& text, std::size_t start) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (std::size_t i = start; i <= text.size(); ++i) {
    if (i == text.size() || IsSeparator(text[i])) {
      parts.push_back(part);
      part.clear();
    } else {
      part += text[i];
    }
  }
  return parts;
}

}  // namespace

std::wstring WithoutExtendedPrefix(const std::wstring& path) {
  if (path.size() < 4 || !IsSeparator(path[0]) || !IsSeparator(path[3])) return path;
  const bool extended = IsSeparator(path[1]) && (path[2] == L'?' || path[2] == L'.');
  const bool nt = path[1] == L'?' && path[2] == L'?';
  if (!extended && !nt) return path;
  const std::wstring rest = path.substr(4);
  if (StartsWithUnc(rest)) return L"\\\\" + rest.substr(4);
  return rest;
}

std::wstring ComparablePathText(const std::wstring& path) {
  const std::wstring text = WithoutExtendedPrefix(path);
  const bool unc = text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1]);
  const bool drive = !unc && text.size() >= 2 && IsDriveLetter(text[0]) && text[1] == L':';
  std::vector<std::wstring> kept;
  if (drive) kept.push_back(text.substr(0, 2));
  // What ".." can never take away: the drive, or the server and the share.
  const std::size_t fixed = drive ? 1 : unc ? 2 : 0;
  for (std::wstring& part : Components(text, unc || drive ? 2 : 0)) {
    if (part == L".") continue;
    if (part == L"..") {
      if (kept.size() > fixed) kept.pop_back();
      continue;
    }
    // "name:stream" and "dir::$INDEX_ALLOCATION" are the item "name" or "dir".
    part = part.substr(0, part.find(L':'));
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    if (part.empty()) continue;
    kept.push_back(part);
  }
  std::wstring result = unc ? L"\\\\" : L"";
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i != 0) result += L'\\';
    result += kept[i];
  }
  return result;
}

bool IsRootPath(const std::wstring& comparable) {
  if (comparable.empty()) return true;
  if (comparable.size() == 2 && comparable[1] == L':') return true;
  if (comparable.size() < 2 || comparable[0] != L'\\' || comparable[1] != L'\\') return false;
  std::size_t separators = 0;
  for (std::size_t i = 2; i < comparable.size(); ++i) separators += comparable[i] == L'\\' ? 1 : 0;
  return separators <= 1;
}

bool HoldsOrIs(const std::wstring& outer, const std::wstring& inner) {
  if (outer.empty() || inner.size() < outer.size()) return false;
  if (inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || inner[outer.size()] == L'\\';
}

bool AnyHoldsOrIs(const PathForms& outer, const PathForms& inner) {
  for (const std::wstring& o : outer) {
    for (const std::wstring& i : inner) {
      if (HoldsOrIs(o, i)) return true;
    }
  }
  return false;
}

bool FoldersOverlap(const PathForms& first, const PathForms& second) {
  return AnyHoldsOrIs(first, second) || AnyHoldsOrIs(second, first);
}
