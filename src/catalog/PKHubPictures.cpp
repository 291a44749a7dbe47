#include "catalog/PKHubPictures.h"

#include <CEGUI/CEGUI.h>
#include <FreeImage.h>

#include <map>

#include "app/AppLog.h"

namespace pkhub {
namespace {

const CEGUI::String kFullImage("/full_image");

// Image name → the hub that made it.
std::map<CEGUI::String, const void*>& owners() {
  static std::map<CEGUI::String, const void*> map;
  return map;
}

void destroyImage(const CEGUI::String& name) {
  auto& images = CEGUI::ImageManager::getSingleton();
  CEGUI::Renderer* renderer = CEGUI::System::getSingleton().getRenderer();
  if (images.isDefined(name)) images.destroy(name);
  const CEGUI::String texture = "PKHub/" + name;
  if (renderer->isTextureDefined(texture)) renderer->destroyTexture(texture);
}

}  // namespace

std::string pictureProblem(const unsigned char* bytes, std::size_t length) {
  if (!bytes || length == 0) return "no bytes";
  if (length > 0x7fffffffu) return "too many bytes";
  FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(length));
  if (!memory) return "the bytes cannot be read";
  std::string problem;
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory, 0);
  if (format != FIF_PNG && format != FIF_JPEG) {
    problem = "neither PNG nor JPEG";
  } else if (FIBITMAP* header = FreeImage_LoadFromMemory(format, memory, FIF_LOAD_NOPIXELS)) {
    // The header alone first: a picture announcing a huge size is refused before it is decoded.
    const unsigned w = FreeImage_GetWidth(header), h = FreeImage_GetHeight(header);
    FreeImage_Unload(header);
    if (w == 0 || h == 0) problem = "an empty picture";
    else if (w > kMaxPictureSide || h > kMaxPictureSide)
      problem = std::to_string(w) + " x " + std::to_string(h) + " pixels is too large";
  } else {
    problem = "the picture's header cannot be read";
  }
  FreeImage_CloseMemory(memory);
  return problem;
}

CEGUI::String imageFromMemory(const CEGUI::String& name, const unsigned char* bytes, std::size_t length,
                              const void* owner, const std::string& what) {
  const std::string problem = pictureProblem(bytes, length);
  if (!problem.empty()) {
    appLog("contest hub: the picture of " + what + " is not used (" + problem + "); the default shows");
    return {};
  }
  const CEGUI::String image = name + kFullImage;
  destroyImage(image);
  owners().erase(image);
  CEGUI::Renderer* renderer = CEGUI::System::getSingleton().getRenderer();
  CEGUI::Texture& texture = renderer->createTexture("PKHub/" + image);
  CEGUI::RawDataContainer data;
  data.setData(const_cast<CEGUI::uint8*>(bytes));
  data.setSize(length);
  CEGUI::Texture* loaded = nullptr;
  try {
    loaded = CEGUI::System::getSingleton().getImageCodec().load(data, &texture);
  } catch (const CEGUI::Exception&) {
    loaded = nullptr;
  }
  data.setData(nullptr);  // the bytes stay the caller's
  data.setSize(0);
  if (!loaded || texture.getOriginalDataSize().d_width <= 0) {
    // A truncated picture whose header was fine.
    renderer->destroyTexture(texture);
    appLog("contest hub: the picture of " + what + " cannot be decoded; the default shows");
    return {};
  }
  auto& basic = static_cast<CEGUI::BasicImage&>(CEGUI::ImageManager::getSingleton().create("BasicImage", image));
  basic.setTexture(&texture);
  basic.setArea(CEGUI::Rectf(CEGUI::Vector2f(0, 0), texture.getOriginalDataSize()));
  basic.setAutoScaled(CEGUI::ASM_Disabled);
  owners()[image] = owner;
  return image;
}

CEGUI::String imageFromFile(const CEGUI::String& imageset, const CEGUI::String& file, const CEGUI::String& group) {
  const CEGUI::String image = imageset + kFullImage;
  auto& images = CEGUI::ImageManager::getSingleton();
  if (images.isDefined(image)) return image;
  try {
    images.addFromImageFile(image, file, group);
    return image;
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("contest hub: the default picture ") + file.c_str() + " cannot be loaded: " +
                e.getMessage().c_str());
    return {};
  }
}

void destroyOwnedImages(const void* owner) {
  auto& map = owners();
  for (auto it = map.begin(); it != map.end();) {
    if (it->second == owner) {
      destroyImage(it->first);
      it = map.erase(it);
    } else {
      ++it;
    }
  }
}

std::size_t ownedImageCount(const void* owner) {
  std::size_t n = 0;
  for (const auto& entry : owners()) n += entry.second == owner;
  return n;
}

void showImage(CEGUI::Window* window, const CEGUI::String& image) {
  if (!window) return;
  for (const char* property : {"NormalImage", "HoverImage", "PushedImage"}) window->setProperty(property, image);
}

}  // namespace pkhub
