#include "session/input_loading.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include "imageio/file_types.h"
#include "slots/parallel_for.h"

namespace orrisbay::session {

std::uint64_t DecodedBytes(std::span<const std::string> paths) {
    std::uint64_t bytes = 0;
    for (const std::string& path : paths) {
        if (const auto size = path.empty() ? std::nullopt : imageio::ReadDeclaredSize(path)) {
            bytes += std::uint64_t{3} * size->width * size->height;
        }
    }
    return bytes;
}

void LoadSideBySide(std::span<const std::string> paths, unsigned threads,
                    const std::function<void(std::size_t)>& load) {
    std::vector<std::uint64_t> pixels(paths.size(), 0);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (const auto size =
                paths[i].empty() ? std::nullopt : imageio::ReadDeclaredSize(paths[i])) {
            pixels[i] = std::uint64_t{size->width} * size->height;
        }
    }
    std::vector<std::size_t> order(paths.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::ranges::stable_sort(order, std::greater{}, [&](std::size_t i) { return pixels[i]; });
    std::vector<std::uint64_t> costs;
    for (const std::size_t i : order) {
        costs.push_back(pixels[i]);
    }
    slots::ParallelForWithin(threads, costs, kPixelsDecodedAtOnce,
                             [&](std::size_t index) { load(order[index]); });
}

}  // namespace orrisbay::session
