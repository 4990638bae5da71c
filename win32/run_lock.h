#pragma once
// One run per target. A shortcut double-clicked starts two runs at once;
// the second would take the first's temporaries for leftovers and remove
// them while they are written, and would empty its logs. The first run
// holds a named mutex for its target, and a start that finds it held does
// not run: the first run's window is on the screen and decides about the
// client. The mutex is the machine's, not the session's: a scheduled task
// running as another user and the user's own start see each other.
//
// An unattended run ("/s") shows no window, so it also holds a mark of its
// own: a start that finds the target held by an unattended run waits for it
// instead of ending without a word.
//
// The mutexes are named after the target's final path, upper-cased (the
// caller's `targetKey`), so that two spellings of one directory (case, a
// mapped drive, a link on the way) find the same ones.
#include <string>

// The handles of a run's hold on its target.
struct TargetRunLock {
  void* run = nullptr;
  void* unattendedMark = nullptr;
};

// Takes the lock of the target known as `targetKey`, marked as an
// unattended run's when `unattended`: true when no other run holds it;
// false, holding nothing, when another run does. A lock that cannot be
// made at all does not stop the run: true with nothing held.
[[nodiscard]] bool TakeTargetRunLock(const std::wstring& targetKey, bool unattended, TargetRunLock& held);

void ReleaseTargetRunLock(TargetRunLock& held);

// True while an unattended run holds the target known as `targetKey`.
[[nodiscard]] bool UnattendedRunHolds(const std::wstring& targetKey);
