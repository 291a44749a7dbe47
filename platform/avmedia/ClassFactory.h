#pragma once
// Creating filters by their class name, as the module asks for them.
#include <memory>
#include <string_view>

#include "avmedia/FilterGraph.h"

namespace avmedia {

// REGDB_E_CLASSNOTREG for an unknown class, and for the screen capture source when the shell
// draws no frames (headless): then there is nothing to capture.
HRESULT CoCreateInstance(std::string_view clsid, std::shared_ptr<IBaseFilter>& filter);
HRESULT CoCreateFilterGraph(std::unique_ptr<IGraphBuilder>& graph);
// A graph shared by counted references (a player keeps one, its owner another).
HRESULT CoCreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph);

}  // namespace avmedia
