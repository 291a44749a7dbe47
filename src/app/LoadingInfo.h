#pragma once
// The loading notice "AppRoot/LoadingInfo", shown while a page's data or a song file is on its
// way. GUI thread.
void showLoadingInfo(bool show);
