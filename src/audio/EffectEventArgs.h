#pragma once
// The arguments of the audio setup page's events: a mode chosen or the mode list left
// (EffectModeEventArgs), the echo the engine applied for a mode (EffectDataArgs), and the end
// of a microphone delay measurement (MicDelayEventArgs).
#include <CEGUI/EventArgs.h>

class EffectModeEventArgs : public CEGUI::EventArgs {
 public:
  enum Direction { Left = 0, Right = 1, LeavePage = 2 };
  EffectModeEventArgs(int index, int direction) : index(index), direction(direction) {}
  int index;
  int direction;
};

class EffectDataArgs : public CEGUI::EventArgs {
 public:
  EffectDataArgs(int roomMode, int depth, int echo) : roomMode(roomMode), depth(depth), echo(echo) {}
  int roomMode;
  int depth;  // as the engine applies it (a fixed room's own)
  int echo;
};

class MicDelayEventArgs : public CEGUI::EventArgs {
 public:
  explicit MicDelayEventArgs(int result) : result(result) {}
  // Milliseconds (>= 0), or the engine's negative code saying why nothing was measured.
  int result;
};
