#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Reading a texture's pictures side by side, as orrisbay-blend and a set's
// build both do.
namespace orrisbay::session {

// Pictures with more pixels than this between them are not decoded side by
// side, so that their 24-bit pixels are never all held at once: two 8192 x
// 8192 masks are read together (a third waits), a picture larger than that
// alone. Reading those two one after the other would save a sixth of the
// 4096 x 4096 blend's memory and cost a third more of its time.
constexpr std::uint64_t kPixelsDecodedAtOnce = 200'000'000;

// Calls load(i) once for every index of `paths`, on up to `threads` threads:
// the largest pictures (by the sizes their files declare) first, so that the
// threads finish together and the largest are read while little else is
// held, and within kPixelsDecodedAtOnce. A path that is empty or declares no
// size counts as no pixels.
// The bytes the pictures at `paths` take decoded, by the sizes their files
// declare, at three bytes a pixel (most pictures decode to 24 bits).
std::uint64_t DecodedBytes(std::span<const std::string> paths);

void LoadSideBySide(std::span<const std::string> paths, unsigned threads,
                    const std::function<void(std::size_t)>& load);

}  // namespace orrisbay::session
