#pragma once
// The copy phase's progress on the splash picture: "N из M", the time left
// once the run has gone on for a few seconds, and a bar weighted by bytes.
// Drawn by the window's animation tick from the counts the worker leaves
// in the mailbox; nothing is drawn before the phase begins, and the picture
// comes back when it ends.
#include <windows.h>

#include <string>

#include "ui/progress_layout.h"
#include "ui/progress_measure.h"
#include "win32/handles.h"

class ProgressBar {
 public:
  // For a picture `width` x `height`; the texts in `font`, and `background`
  // where there is no picture.
  ProgressBar(int width, int height, HFONT font, HBRUSH background);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Each tick: takes the worker's latest counts and redraws onto `window`
  // when what it shows has changed. `picture` (null when there is none)
  // holds what lies under the bar.
  void Tick(HDC window, HDC picture, DWORD now);
  // Draws again what it shows, where `area` needs it (a paint).
  void Paint(HDC window, HDC picture, const RECT& area);
  // While the user is asked whether to abort, the worker waits: that time
  // is not the run's, and the time left is not updated meanwhile.
  void Hold(DWORD now);
  void Release(DWORD now);

 private:
  struct View {
    bool shown = false;
    int filled = 0;
    std::string count;
    std::string timeLeft;
    bool operator==(const View& other) const {
      return shown == other.shown && filled == other.filled && count == other.count && timeLeft == other.timeLeft;
    }
  };

  View Compose(DWORD now);
  void Draw(HDC window, HDC picture, const View& view);

  ProgressLayout layout_;
  HFONT font_;
  HBRUSH background_;
  ProgressCounts counts_;
  bool running_ = false;  // the phase has begun and not ended
  DWORD start_ = 0;       // when it began, moved on by the time held
  DWORD heldSince_ = 0;
  bool held_ = false;
  DWORD estimatedAt_ = 0;
  std::string timeLeft_;  // the latest estimate, "" when none
  View drawn_;
  DWORD drawnAt_ = 0;
  // Off-screen copy of the area, put on the window in one piece so that
  // neither a person nor a screen capture ever sees it half drawn.
  win32::ScopedMemoryDc dc_;
  win32::ScopedGdiObject bitmap_;
  HGDIOBJ dcDefault_ = nullptr;
};
