# The sources of the settings store, shared by its library and its fuzz build.
set(VK_APPSETS_SOURCES
  AudioDevConfigSet.cpp AudioDevConfigSet.h
  AudioDevUseSet.cpp AudioDevUseSet.h
  AudioEngine.h
  AudioSet.cpp AudioSet.h
  ConfigSet.cpp ConfigSet.h
  ISet.h
  KeyMap.cpp KeyMap.h
  NameValueSet.cpp NameValueSet.h
  OCXManager.cpp OCXManager.h
  PictureSet.cpp PictureSet.h
  PKRankSet.cpp PKRankSet.h
  SetRegistry.cpp SetRegistry.h
  SetXml.cpp SetXml.h
  SongSet.cpp SongSet.h
  TunedCtrl.cpp TunedCtrl.h
  TXMLHander.h)
