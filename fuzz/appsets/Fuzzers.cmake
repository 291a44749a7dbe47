# The settings fuzz targets, one per file format: fuzz_NAME.cpp with seeds in corpus/NAME/.
set(VK_APPSETS_FUZZERS
  config keymap namevalue songset audioset audiodevconfig audiodevuse pictureset ocxlist
  pkrank tunedinfo)
