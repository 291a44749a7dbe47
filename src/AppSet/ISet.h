#pragma once
// A settings set: one settings file, its values in memory, read and written as a whole.

class ISet {
 public:
  // Reads the file; false when it could not be read (missing, empty, malformed), in which case
  // the set keeps its defaults plus whatever it read before the problem.
  virtual bool LoadSets() = 0;
  // Writes the whole file; false when it could not be written (the old file then stays as it
  // was).
  virtual bool SaveSets() = 0;

 protected:
  // Owners delete sets through their concrete type, never through ISet.
  ~ISet() = default;
};
