#pragma once
// One run per target. A shortcut double-clicked starts two runs at once;
// the second would take the first's temporaries for leftovers and remove
// them while they are written, and would empty its logs. The first run
// holds a named mutex in the user's session for its target, and a start
// that finds it held ends at once, without a box: the first run's window
// is on the screen and decides about the client.
//
// The mutex is named after the target's final path, upper-cased (the
// caller's `targetKey`), so that two spellings of one directory (case, a
// mapped drive, a link on the way) find the same mutex.
#include <string>

// Takes the lock of the target known as `targetKey`: true, with the handle
// in `held` (to be given to ReleaseTargetRunLock), when no other run holds
// it; false when another run does. A lock that cannot be made at all does
// not stop the run: true with `held` null.
[[nodiscard]] bool TakeTargetRunLock(const std::wstring& targetKey, void*& held);

void ReleaseTargetRunLock(void*& held);
