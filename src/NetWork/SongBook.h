#pragma once
// Adding a song to the user's song book: the entry goes to the service through the facade,
// and the answer comes back as "EventSongBookAddNotify" with the service's status. GUI thread.
#include "app/SongRecord.h"

// True when the request was handed to the service; false when there is no network facade
// (the result notice then says the addition failed).
bool addToSongBook(const SongRecord& song);
