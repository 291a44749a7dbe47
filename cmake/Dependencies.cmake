# Imported targets for every system library the project links. C headers of these
# libraries stay out of our public headers; CEGUI is the exception (it is the GUI toolkit
# the module is written against) and is included as a system include.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(CEGUI REQUIRED IMPORTED_TARGET CEGUI-0)
pkg_check_modules(CEGUI_NULL REQUIRED IMPORTED_TARGET CEGUI-0-NULL)
pkg_check_modules(CEGUI_GL3 REQUIRED IMPORTED_TARGET CEGUI-0-OPENGL3)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(GLEW REQUIRED IMPORTED_TARGET glew)
pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
find_package(OpenGL REQUIRED)

# CEGUI: system include (silences its deprecation warnings) and NDEBUG, because
# CEGUI/Config.h defines a macro DEBUG otherwise.
add_library(vk_cegui INTERFACE)
target_include_directories(vk_cegui SYSTEM INTERFACE ${CEGUI_INCLUDE_DIRS})
target_link_libraries(vk_cegui INTERFACE ${CEGUI_LINK_LIBRARIES} Threads::Threads)
target_compile_definitions(vk_cegui INTERFACE NDEBUG)
add_library(vk::cegui ALIAS vk_cegui)

add_library(vk_cegui_renderers INTERFACE)
target_link_libraries(vk_cegui_renderers INTERFACE vk::cegui
  ${CEGUI_NULL_LINK_LIBRARIES} ${CEGUI_GL3_LINK_LIBRARIES} PkgConfig::GLEW OpenGL::GL)
add_library(vk::cegui_renderers ALIAS vk_cegui_renderers)

add_library(vk_sdl2 INTERFACE)
target_include_directories(vk_sdl2 SYSTEM INTERFACE ${SDL2_INCLUDE_DIRS})
target_link_libraries(vk_sdl2 INTERFACE ${SDL2_LINK_LIBRARIES})
add_library(vk::sdl2 ALIAS vk_sdl2)

add_library(vk_tinyxml INTERFACE)
target_link_libraries(vk_tinyxml INTERFACE PkgConfig::TINYXML)
add_library(vk::tinyxml ALIAS vk_tinyxml)

set(VK_CEGUI_DATA_DIR /usr/share/cegui-0.8.7 CACHE PATH "Stock CEGUI data files")
set(VK_CJK_FONT_DIR /usr/share/fonts/truetype/wqy CACHE PATH "Folder of the CJK font files")

if(VK_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(VK_BUILD_BENCH)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    set(VK_BUILD_BENCH OFF)
  endif()
endif()

# The GUI library's TinyXML parser module, linked directly: settings files read before the GUI
# system exists use an instance of their own. It lives in the library's module folder.
pkg_get_variable(CEGUI_MODULE_DIR CEGUI-0 moduledir)
find_library(VK_CEGUI_TINYXML_PARSER NAMES CEGUITinyXMLParser PATHS ${CEGUI_MODULE_DIR}
  NO_DEFAULT_PATH REQUIRED)
add_library(vk_cegui_tinyxml_parser INTERFACE)
target_link_libraries(vk_cegui_tinyxml_parser INTERFACE vk::cegui ${VK_CEGUI_TINYXML_PARSER})
target_link_options(vk_cegui_tinyxml_parser INTERFACE "LINKER:-rpath,${CEGUI_MODULE_DIR}")
add_library(vk::cegui_tinyxml_parser ALIAS vk_cegui_tinyxml_parser)
