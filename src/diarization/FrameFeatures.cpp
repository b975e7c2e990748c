#include "diarization/FrameFeatures.h"

FrameFeatures::Moments FrameFeatures::moments(const std::vector<bool>& selected, std::size_t first,
                                              std::size_t end) const {
    const auto dims = static_cast<std::size_t>(dimensions);
    Moments result{std::vector<double>(dims), std::vector<double>(dims), 0};
    for (std::size_t f = first; f < end; ++f) {
        if (!selected[f])
            continue;
        ++result.count;
        const float* values = row(f);
        for (std::size_t d = 0; d < dims; ++d) {
            result.sum[d] += values[d];
            result.squares[d] += static_cast<double>(values[d]) * values[d];
        }
    }
    return result;
}
