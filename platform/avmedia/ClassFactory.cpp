#include "avmedia/ClassFactory.h"

#include "avmedia/AsfWriter.h"
#include "avmedia/FileSources.h"
#include "avmedia/SampleListener.h"
#include "avmedia/WindowCapture.h"
#include "guishell/FrameReadback.h"

namespace avmedia {

HRESULT CoCreateInstance(std::string_view clsid, std::shared_ptr<IBaseFilter>& filter) {
  filter.reset();
  if (clsid == CLSID_WMAsfWriter) {
    filter = std::make_shared<AsfWriter>();
    return S_OK;
  }
  if (clsid == CLSID_WMAsfReader) {
    filter = std::make_shared<AsfReader>();
    return S_OK;
  }
  if (clsid == CLSID_SampleListener) {
    filter = std::make_shared<SampleListener>();
    return S_OK;
  }
  if (clsid == CLSID_WndCap) {
    if (!guishell::frameReadbackAvailable()) return REGDB_E_CLASSNOTREG;
    filter = std::make_shared<WindowCapture>();
    return S_OK;
  }
  return REGDB_E_CLASSNOTREG;
}

HRESULT CoCreateFilterGraph(std::unique_ptr<IGraphBuilder>& graph) {
  graph = std::make_unique<IGraphBuilder>();
  return S_OK;
}

HRESULT CoCreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) {
  graph = std::make_shared<IGraphBuilder>();
  return S_OK;
}

}  // namespace avmedia
