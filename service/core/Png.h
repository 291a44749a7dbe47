// Pictures of the demo world, drawn here and written as PNG files.
#pragma once

#include <cstdint>
#include <string>

namespace vk::service {

// RGB pixels, row by row, 3 bytes each.
std::string encodePng(int width, int height, const std::string& rgb);

// A cover or head picture: a two-colour gradient with a disc, the colours taken from `seed`.
std::string drawPicture(int width, int height, std::uint32_t seed);

// A contest song's cover: a stage-coloured gradient under spotlight rays, a vinyl record with
// its grooves and label, and a music note; the colours and placement taken from `seed`.
std::string drawCover(int size, std::uint32_t seed);

// A singer's head picture: a head-and-shoulders silhouette in a ring over a soft gradient.
std::string drawHead(int size, std::uint32_t seed);

}  // namespace vk::service
