#include "model/snapshot.h"

#include <algorithm>
#include <cstring>

#include "model/name_fold.h"

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

// Names longer than a path buffer are cut, as they always were; callers
// check lengths where a cut name could do harm.
DirRecord::DirRecord(const char* recordName) : name(recordName, std::min(std::strlen(recordName), kPathSize - 1)) {}

namespace {

// Frees a sibling chain with everything below it. Siblings are walked in a
// loop, not by recursion: a directory may hold thousands of subdirectories.
// Recursion goes only as deep as the tree.
void DestroyChain(DirNode* first) {
  while (first != nullptr) {
    DirNode* next = first->nextSibling;
    first->nextSibling = nullptr;
    DestroySubtree(first);
    delete first;
    first = next;
  }
}

}  // namespace

void DestroySubtree(DirNode* node) {
  DestroyChain(node->firstChild);
  node->firstChild = nullptr;
  node->lastChild = nullptr;
  DestroyChain(node->nextSibling);
  node->nextSibling = nullptr;
  node->record.entries.clear();
  node->record.entries.shrink_to_fit();
}

void DirNodeDeleter::operator()(DirNode* node) const {
  DestroySubtree(node);
  delete node;
}

DirSnapshot CreateSnapshot() { return DirSnapshot(CreateNode(".")); }

DirNode* CreateNode(const char* name) { return new DirNode(name); }

DirNode* AppendChild(DirNode* parent, DirNode* child) {
  if (parent->firstChild == nullptr) {
    parent->firstChild = child;
  } else {
    parent->lastChild->nextSibling = child;
  }
  parent->lastChild = child;
  return child;
}

DirNode* FindChild(DirNode* node, const char* name) {
  for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    if (NamesMatch(child->record.name.c_str(), name)) return child;
  }
  return nullptr;
}

void RemoveChild(DirNode* parent, DirNode* child) {
  DirNode* previous = nullptr;
  for (DirNode* node = parent->firstChild; node != child; node = node->nextSibling) previous = node;
  (previous == nullptr ? parent->firstChild : previous->nextSibling) = child->nextSibling;
  if (parent->lastChild == child) parent->lastChild = previous;
  child->nextSibling = nullptr;
  DestroySubtree(child);
  delete child;
}

void CloneStructure(DirNode* targetParent, DirNode* sourceParent) {
  for (DirNode* child = sourceParent->firstChild; child != nullptr; child = child->nextSibling) {
    DirNode* clone = AppendChild(targetParent, CreateNode(child->record.name.c_str()));
    child->record.SetFlags(DIR_MISSING);
    clone->record.SetFlags(DIR_MISSING);
    CloneStructure(clone, child);
  }
}

bool NamesMatchAscii(const char* a, const char* b) noexcept {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
  }
  return *a == *b;
}

FileEntry* FindEntry(DirRecord& record, const char* name) {
  for (FileEntry& entry : record.entries) {
    if (NamesMatch(entry.name, name)) return &entry;
  }
  return nullptr;
}
