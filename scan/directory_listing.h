#pragma once
// The one seam through which the run reads directories: the scans and the
// removal of whole directories list through a DirectoryLister, the system's
// own in a run, a fault-injecting one in tests. A listing is read whole
// before anything is decided on it, and it says whether it is whole.
#include <cstdint>
#include <string>
#include <vector>

#include "model/snapshot.h"

// One record of a listing ("." and ".." are left out).
struct ListedItem {
  std::uint32_t attributes = 0;  // the platform's attribute bits
  FileTime lastWriteTime;
  std::uint64_t size = 0;
  // Windows-1251. When `nameExact` is false the name holds characters that
  // code page cannot hold; they are shown here as "?" and the name must
  // never be used as a path: the narrow calls would take look-alikes for
  // them ("..\" for "..＼", "u" for "ü") and reach another item.
  char name[kFileNameSize] = {};
  bool nameExact = true;
};

enum class ListingEnd {
  Complete,   // every item of the directory is in the list
  NotOpened,  // the directory could not be opened; the list is empty
  CutShort,   // the listing failed after it had begun: a partial picture
};

struct ListingResult {
  ListingEnd end = ListingEnd::Complete;
  std::uint32_t error = 0;  // the system's code when not Complete
};

// The system's error code for a name that the narrow code page cannot hold.
constexpr std::uint32_t kNameNotRepresentable = 1113;  // ERROR_NO_UNICODE_TRANSLATION

class DirectoryLister {
 public:
  virtual ~DirectoryLister() = default;
  // Lists `directoryPath` (a full path ending with a backslash) into `items`,
  // which is emptied first.
  [[nodiscard]] virtual ListingResult List(const std::string& directoryPath,
                                           std::vector<ListedItem>& items) = 0;
};

// The system's listing (wide calls, names converted exactly or flagged).
DirectoryLister& SystemLister();
