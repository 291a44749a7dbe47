#pragma once
// The pictures of the fee dialogs and the phone number form ("Recharge/..."), loaded once.
// A dialog works without them: a missing or broken imageset is logged by the library and
// left out. GUI thread.
void loadRechargeImages();
