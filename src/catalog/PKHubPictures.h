#pragma once
// Pictures of the contest hub turned into images of the GUI library: an image named
// "<name>/full_image" on a texture of its own, decoded from bytes in memory by the library's
// image codec (FreeImage). Each image belongs to the hub that made it last; a hub destroys only
// the images it still owns, so a hub opened again may take over the names of the one it
// replaces. The default pictures come from files and are shared by every hub. GUI thread.
#include <CEGUI/String.h>

#include <cstddef>
#include <string>

namespace CEGUI {
class Window;
}

namespace pkhub {

// The largest picture taken, in pixels per side; larger ones get the default picture (it is
// decoded on the GUI thread: a cover of this size takes a few tens of milliseconds).
constexpr unsigned kMaxPictureSide = 2048;

// Why bytes are not a picture (empty text: they are one). Checks what the codec would load:
// a PNG or JPEG that decodes, of a size up to kMaxPictureSide.
std::string pictureProblem(const unsigned char* bytes, std::size_t length);

// Makes (or remakes) the image "<name>/full_image" from `bytes`, owned by `owner`. Windows of the
// owner's that show an image of that name are the caller's to set again. Returns the image's
// name, or an empty text when the bytes are no picture (one log line says why, naming `what`).
CEGUI::String imageFromMemory(const CEGUI::String& name, const unsigned char* bytes, std::size_t length,
                              const void* owner, const std::string& what);

// "<imageset>/full_image" made from `file` in `group` the first time, shared after; empty text
// when the file cannot be loaded (logged once per call).
CEGUI::String imageFromFile(const CEGUI::String& imageset, const CEGUI::String& file, const CEGUI::String& group);

// Destroys the images (and their textures) that `owner` still owns.
void destroyOwnedImages(const void* owner);
// How many images `owner` owns (tests).
std::size_t ownedImageCount(const void* owner);

// Sets "NormalImage", "HoverImage" and "PushedImage" of `window` to `image`.
void showImage(CEGUI::Window* window, const CEGUI::String& image);

}  // namespace pkhub
