# The settings fuzz targets, one per file format: fuzz_NAME.cpp with seeds in corpus/NAME/.
set(VK_APPSETS_FUZZERS
  config keymap namevalue songset audioset audiodevconfig audiodevuse pictureset ocxlist
  pkrank tunedinfo)

# The practice menu's two documents (fuzz/menu/fuzz_NAME.cpp, seeds in fuzz/menu/corpus/NAME/),
# built with the same harness over the menu merge's sources.
set(VK_MENU_FUZZERS netmenu practicelayout)
set(VK_MENU_FUZZ_SOURCES Entity.cpp EntityXmlHandlers.cpp LayoutMerger.cpp LayoutRegistry.cpp)
