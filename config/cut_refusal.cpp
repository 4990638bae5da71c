#include "config/cut_refusal.h"

namespace {

bool HoldsAny(const PathForms& entry, const std::vector<PathForms>& folders) {
  for (const PathForms& folder : folders) {
    if (AnyHoldsOrIs(entry, folder)) return true;
  }
  return false;
}

}  // namespace

CutRefusal RefusalOfCutPath(const PathForms& entry, const GuardedFolders& folders) {
  // A form a root is named through (a mapped drive's "Q:") decides as much
  // as the form the file system resolves it to.
  if (entry.empty()) return CutRefusal::Root;
  for (const std::wstring& form : entry) {
    if (IsRootPath(form)) return CutRefusal::Root;
  }
  if (AnyHoldsOrIs(entry, folders.target)) return CutRefusal::Target;
  if (AnyHoldsOrIs(entry, folders.source)) return CutRefusal::Source;
  if (HoldsAny(entry, folders.ownFiles)) return CutRefusal::OwnFile;
  // An entry inside the source that was not taken as a relative path
  // (spelled in another case, through "..", a short name or another drive)
  // would delete on the share, which a run never writes to.
  if (AnyHoldsOrIs(folders.source, entry)) return CutRefusal::InsideSource;
  if (HoldsAny(entry, folders.system)) return CutRefusal::SystemFolder;
  return CutRefusal::None;
}

const char* CutRefusalReason(CutRefusal refusal) {
  switch (refusal) {
    case CutRefusal::None:
      return "";
    case CutRefusal::Root:
      return "указывает на корневой каталог диска или сетевого ресурса, удаление запрещено";
    case CutRefusal::Target:
      return "указывает на каталог приемник или содержащий его каталог, удаление запрещено";
    case CutRefusal::Source:
      return "указывает на каталог источник или содержащий его каталог, удаление запрещено";
    case CutRefusal::OwnFile:
      return "указывает на программу, ее файл инициализации или содержащий их каталог, удаление запрещено";
    case CutRefusal::InsideSource:
      return "указывает внутрь каталога источника, удаление запрещено";
    case CutRefusal::SystemFolder:
      return "указывает на системный каталог или содержащий его каталог, удаление запрещено";
  }
  return "";
}
