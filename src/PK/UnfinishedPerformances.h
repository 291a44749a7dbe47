#pragma once
// What a performance cut off by the end of the program (killed, power gone) leaves in Temp:
// its recordings and a part of its silent video, but no lyrics file, which is only written when
// the song ends. Such files are no work (no scores were kept) and are removed at the next start;
// the files of every performance that ended stay.
#include <string>
#include <vector>

// Removes the files of unfinished performances from `folder` and returns their names. Files
// not named like a performance's are never touched.
std::vector<std::string> removeUnfinishedPerformances(const std::string& folder);
