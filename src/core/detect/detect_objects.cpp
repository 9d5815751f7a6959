#include "core/detect/detect_objects.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <queue>

namespace kvx {

namespace {

// How far below a peak of the distance to the background the ground between
// two objects must fall for them to be parted, in pixels.
constexpr float kSplitTolerance = 0.5f;

/// One region in a mask of its own, with a pixel of outside all round.
struct Crop {
    std::vector<uint8_t> data;
    int32_t width = 0;  ///< with the border
    int32_t height = 0;
    int32_t left = 0;  ///< picture position of pixel (1, 1)
    int32_t top = 0;

    uint8_t& At(int32_t x, int32_t y) {
        return data[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)];
    }
    RegionMask Mask() const { return {data.data(), width, height, width, left, top}; }
};

Crop MakeCrop(int32_t innerWidth, int32_t innerHeight, int32_t left, int32_t top) {
    Crop crop;
    crop.width = innerWidth + 2;
    crop.height = innerHeight + 2;
    crop.left = left;
    crop.top = top;
    crop.data.assign(static_cast<std::size_t>(crop.width) * static_cast<std::size_t>(crop.height),
                     0);
    return crop;
}

/// Marks with 2 the background reachable from the crop's border (4-connected:
/// the background's side of 8-connected regions). What stays 0 are holes.
void MarkOutside(Crop& crop, std::vector<int32_t>& stack) {
    stack.clear();
    crop.At(0, 0) = 2;
    stack.push_back(0);
    const int32_t w = crop.width;
    const int32_t h = crop.height;
    while (!stack.empty()) {
        const int32_t i = stack.back();
        stack.pop_back();
        const int32_t x = i % w;
        const int32_t y = i / w;
        const auto visit = [&](int32_t nx, int32_t ny) {
            if (nx < 0 || ny < 0 || nx >= w || ny >= h) return;
            uint8_t& v = crop.At(nx, ny);
            if (v == 0) {
                v = 2;
                stack.push_back(ny * w + nx);
            }
        };
        visit(x + 1, y);
        visit(x - 1, y);
        visit(x, y + 1);
        visit(x, y - 1);
    }
}

/// Fills the holes of the crop's region; calls filled(x, y) for each pixel
/// filled in.
template <typename Filled>
void FillHoles(Crop& crop, std::vector<int32_t>& stack, Filled filled) {
    MarkOutside(crop, stack);
    for (int32_t y = 1; y < crop.height - 1; ++y) {
        for (int32_t x = 1; x < crop.width - 1; ++x) {
            uint8_t& v = crop.At(x, y);
            if (v == 0) {
                v = 1;
                filled(x, y);
            }
        }
    }
    for (uint8_t& v : crop.data) {
        if (v == 2) v = 0;
    }
}

/// The regions of a binary mask laid out as frame (non-zero inside) as crops
/// of their own.
std::vector<Crop> Pieces(const cv::Mat& binary, const Crop& frame) {
    cv::Mat labels;
    cv::Mat stats;
    cv::Mat centroids;
    const int n = cv::connectedComponentsWithStats(binary, labels, stats, centroids, 8, CV_32S);
    std::vector<Crop> pieces;
    for (int k = 1; k < n; ++k) {
        const int x = stats.at<int>(k, cv::CC_STAT_LEFT);
        const int y = stats.at<int>(k, cv::CC_STAT_TOP);
        const int w = stats.at<int>(k, cv::CC_STAT_WIDTH);
        const int h = stats.at<int>(k, cv::CC_STAT_HEIGHT);
        // Crop pixel (x, y) lies at picture frame.left + x - 1.
        Crop piece = MakeCrop(w, h, frame.left + x - 1, frame.top + y - 1);
        for (int j = 0; j < h; ++j) {
            const int* row = labels.ptr<int>(y + j);
            for (int i = 0; i < w; ++i) {
                if (row[x + i] == k) piece.At(i + 1, j + 1) = 1;
            }
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

/// The peaks of the distance map that stand out by more than the tolerance
/// from every higher ground they are joined to, each with the pixels within
/// the tolerance below it; labels 1.., 0 elsewhere. The number of peaks.
int32_t MarkPeaks(const cv::Mat& distance, const Crop& crop, cv::Mat& markers) {
    const int w = crop.width;
    const int h = crop.height;
    markers = cv::Mat::zeros(h, w, CV_32S);
    std::vector<int32_t> candidates;
    for (int y = 1; y < h - 1; ++y) {
        const float* row = distance.ptr<float>(y);
        for (int x = 1; x < w - 1; ++x) {
            const float d = row[x];
            if (d <= 0.0f) continue;
            bool peak = true;
            for (int dy = -1; dy <= 1 && peak; ++dy) {
                const float* other = distance.ptr<float>(y + dy);
                for (int dx = -1; dx <= 1; ++dx) {
                    if (other[x + dx] > d) {
                        peak = false;
                        break;
                    }
                }
            }
            if (peak) candidates.push_back(y * w + x);
        }
    }
    const auto at = [&](int32_t i) { return distance.ptr<float>(i / w)[i % w]; };
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](int32_t a, int32_t b) { return at(a) > at(b); });

    // 0 unseen, -1 below a higher peak, -2 seen by the current search, > 0 a peak.
    std::vector<int32_t> state(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    std::vector<int32_t> queue;
    int32_t peaks = 0;
    for (const int32_t start : candidates) {
        if (state[static_cast<std::size_t>(start)] != 0) continue;
        const float top = at(start);
        const float floor = top - kSplitTolerance;
        queue.assign(1, start);
        state[static_cast<std::size_t>(start)] = -2;
        bool higher = false;
        for (std::size_t q = 0; q < queue.size(); ++q) {
            const int32_t i = queue[q];
            const int32_t x = i % w;
            const int32_t y = i / w;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int32_t j = (y + dy) * w + (x + dx);
                    const float d = at(j);
                    if (d <= floor || d <= 0.0f) continue;
                    int32_t& s = state[static_cast<std::size_t>(j)];
                    if (s == -2) continue;
                    if (s != 0 || d > top) {
                        higher = true;
                        continue;
                    }
                    s = -2;
                    queue.push_back(j);
                }
            }
        }
        const int32_t mark = higher ? -1 : ++peaks;
        for (const int32_t i : queue) {
            state[static_cast<std::size_t>(i)] = mark;
            if (mark > 0) markers.ptr<int32_t>(i / w)[i % w] = mark;
        }
    }
    return peaks;
}

/// Floods the inside of the crop from the marked peaks downhill in the
/// distance map, highest ground first: each pixel joins the peak its
/// flooded neighbours came from; where two meet it stays -1, the line
/// between them.
void Flood(const cv::Mat& distance, Crop& crop, cv::Mat& markers) {
    const int w = crop.width;
    const int h = crop.height;
    struct Item {
        float height;
        uint32_t order;
        int32_t index;
        bool operator<(const Item& other) const {
            return height != other.height ? height < other.height : order > other.order;
        }
    };
    std::priority_queue<Item> queue;
    std::vector<uint8_t> queued(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    uint32_t order = 0;
    int32_t* m = markers.ptr<int32_t>(0);
    const auto push = [&](int32_t j) {
        if (queued[static_cast<std::size_t>(j)] != 0 || m[j] != 0 ||
            crop.data[static_cast<std::size_t>(j)] == 0) {
            return;
        }
        queued[static_cast<std::size_t>(j)] = 1;
        queue.push({distance.ptr<float>(j / w)[j % w], order++, j});
    };
    const int32_t steps[4] = {1, -1, w, -w};
    for (int32_t i = 0; i < w * h; ++i) {
        if (m[i] <= 0) continue;
        for (const int32_t step : steps) push(i + step);
    }
    while (!queue.empty()) {
        const int32_t i = queue.top().index;
        queue.pop();
        int32_t label = 0;
        bool meeting = false;
        for (const int32_t step : steps) {
            const int32_t other = m[i + step];
            if (other <= 0) continue;
            if (label == 0) {
                label = other;
            } else if (other != label) {
                meeting = true;
            }
        }
        if (meeting || label == 0) {
            m[i] = -1;
            continue;
        }
        m[i] = label;
        for (const int32_t step : steps) push(i + step);
    }
}

/// The region of crop parted where touching objects narrow: watershed on
/// the distance to the background from its peaks, with a background line
/// between the parts so that no two of them touch even at a corner.
std::vector<Crop> Split(Crop crop) {
    const int w = crop.width;
    const int h = crop.height;
    const cv::Mat binary(h, w, CV_8U, crop.data.data());
    cv::Mat distance;
    cv::distanceTransform(binary, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE, CV_32F);
    cv::Mat markers;
    const int32_t peaks = MarkPeaks(distance, crop, markers);
    if (peaks < 2) {
        std::vector<Crop> one;
        one.push_back(std::move(crop));
        return one;
    }
    Flood(distance, crop, markers);

    cv::Mat parted = cv::Mat::zeros(h, w, CV_8U);
    for (int y = 1; y < h - 1; ++y) {
        const int32_t* m = markers.ptr<int32_t>(y);
        uint8_t* p = parted.ptr<uint8_t>(y);
        for (int x = 1; x < w - 1; ++x) {
            if (crop.At(x, y) != 0 && m[x] >= 1 && m[x] <= peaks) p[x] = 1;
        }
    }
    // Parts that still meet at a corner or an edge lose the pixel there.
    for (int y = 1; y < h - 1; ++y) {
        const int32_t* m = markers.ptr<int32_t>(y);
        const int32_t* below = markers.ptr<int32_t>(y + 1);
        uint8_t* p = parted.ptr<uint8_t>(y);
        uint8_t* pb = parted.ptr<uint8_t>(y + 1);
        for (int x = 1; x < w - 1; ++x) {
            if (p[x] == 0) continue;
            const int32_t a = m[x];
            if (p[x + 1] != 0 && m[x + 1] != a) p[x + 1] = 0;
            if (pb[x - 1] != 0 && below[x - 1] != a) pb[x - 1] = 0;
            if (pb[x] != 0 && below[x] != a) pb[x] = 0;
            if (pb[x + 1] != 0 && below[x + 1] != a) pb[x + 1] = 0;
        }
    }
    std::vector<Crop> pieces = Pieces(parted, crop);
    // A basin cut by the line between others leaves crumbs: of each basin
    // only its largest piece stays an object.
    std::vector<std::size_t> largest(static_cast<std::size_t>(peaks) + 1, pieces.size());
    std::vector<int64_t> sizes(pieces.size(), 0);
    std::vector<int32_t> basin(pieces.size(), 0);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        Crop& piece = pieces[k];
        for (int32_t y = 1; y < piece.height - 1; ++y) {
            for (int32_t x = 1; x < piece.width - 1; ++x) {
                if (piece.At(x, y) == 0) continue;
                ++sizes[k];
                if (basin[k] == 0) {
                    basin[k] = markers.ptr<int32_t>(piece.top + y - 1 - crop.top +
                                                    1)[piece.left + x - 1 - crop.left + 1];
                }
            }
        }
        const auto b = static_cast<std::size_t>(std::clamp(basin[k], 0, peaks));
        if (largest[b] == pieces.size() || sizes[largest[b]] < sizes[k]) largest[b] = k;
    }
    std::vector<Crop> kept;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const auto b = static_cast<std::size_t>(std::clamp(basin[k], 0, peaks));
        if (largest[b] == k) kept.push_back(std::move(pieces[k]));
    }
    return kept;
}

/// Measures the region of a crop (one 8-connected region without holes).
DetectedObject Measure(const Crop& crop) {
    DetectedObject object;
    int32_t firstX = -1;
    int32_t firstY = -1;
    int32_t minX = crop.width;
    int32_t minY = crop.height;
    int32_t maxX = -1;
    int32_t maxY = -1;
    double sumX = 0.0;
    double sumY = 0.0;
    for (int32_t y = 1; y < crop.height - 1; ++y) {
        const uint8_t* row = crop.data.data() + static_cast<std::size_t>(y) * crop.width;
        int64_t inRow = 0;
        double rowSumX = 0.0;
        for (int32_t x = 1; x < crop.width - 1; ++x) {
            if (row[x] == 0) continue;
            if (firstX < 0) {
                firstX = x;
                firstY = y;
            }
            ++inRow;
            rowSumX += x;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
        }
        if (inRow > 0) {
            minY = std::min(minY, y);
            maxY = y;
            object.pixels += inRow;
            sumX += rowSumX;
            sumY += static_cast<double>(inRow) * y;
        }
    }
    if (object.pixels == 0) return object;
    const auto n = static_cast<double>(object.pixels);
    object.centroidX = sumX / n - 1.0 + crop.left + 0.5;
    object.centroidY = sumY / n - 1.0 + crop.top + 0.5;
    object.bounds = {crop.left + minX - 1, crop.top + minY - 1, maxX - minX + 1, maxY - minY + 1};
    object.start = {crop.left + firstX - 1, crop.top + firstY - 1};
    const std::vector<PixelCorner> traced = TraceOutline(crop.Mask(), firstX, firstY);
    object.perimeter = TracedPerimeter(traced);
    object.circularity =
        object.perimeter > 0.0
            ? std::min(1.0, 4.0 * std::numbers::pi * n / (object.perimeter * object.perimeter))
            : 0.0;
    object.outline = SimplifyOutline(traced, 0.5);
    return object;
}

bool Kept(const DetectedObject& object, const DetectSettings& settings, const PixelRect& region) {
    if (object.pixels <= 0) return false;
    const auto area = static_cast<double>(object.pixels);
    if (area < settings.minArea || area > settings.maxArea) return false;
    if (object.circularity < settings.minCircularity ||
        object.circularity > settings.maxCircularity) {
        return false;
    }
    if (settings.excludeEdges) {
        const PixelRect& b = object.bounds;
        if (b.left <= region.left || b.top <= region.top ||
            b.left + b.width >= region.left + region.width ||
            b.top + b.height >= region.top + region.height) {
            return false;
        }
    }
    return true;
}

struct Found {
    int32_t label = 0;
    DetectedObject object;
};

bool Run(const SamplePlane& plane, const DetectSettings& settings, DetectResult& result) {
    const PixelRect region = result.region;
    cv::Mat mask(region.height, region.width, CV_8U);
    const int32_t level = result.level;
    for (int32_t y = 0; y < region.height; ++y) {
        const uint16_t* in = plane.values.data() +
                             static_cast<std::size_t>(region.top + y) * plane.width + region.left;
        uint8_t* out = mask.ptr<uint8_t>(y);
        if (settings.darkObjects) {
            for (int32_t x = 0; x < region.width; ++x) out[x] = in[x] <= level ? 1 : 0;
        } else {
            for (int32_t x = 0; x < region.width; ++x) out[x] = in[x] > level ? 1 : 0;
        }
    }
    cv::Mat labels;
    cv::Mat stats;
    cv::Mat centroids;
    const int n = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
    mask.release();

    std::vector<bool> absorbed(static_cast<std::size_t>(std::max(n, 1)), false);
    std::vector<Found> found;
    std::vector<int32_t> stack;
    for (int label = 1; label < n; ++label) {
        if (absorbed[static_cast<std::size_t>(label)]) continue;
        const int bx = stats.at<int>(label, cv::CC_STAT_LEFT);
        const int by = stats.at<int>(label, cv::CC_STAT_TOP);
        const int bw = stats.at<int>(label, cv::CC_STAT_WIDTH);
        const int bh = stats.at<int>(label, cv::CC_STAT_HEIGHT);
        Crop crop = MakeCrop(bw, bh, region.left + bx, region.top + by);
        for (int j = 0; j < bh; ++j) {
            const int* row = labels.ptr<int>(by + j);
            for (int i = 0; i < bw; ++i) {
                if (row[bx + i] == label) crop.At(i + 1, j + 1) = 1;
            }
        }
        FillHoles(crop, stack, [&](int32_t x, int32_t y) {
            const int inner = labels.ptr<int>(by + y - 1)[bx + x - 1];
            if (inner != 0 && inner != label) absorbed[static_cast<std::size_t>(inner)] = true;
        });
        std::vector<Crop> pieces;
        if (settings.split) {
            pieces = Split(std::move(crop));
        } else {
            pieces.push_back(std::move(crop));
        }
        for (Crop& piece : pieces) {
            if (settings.split) FillHoles(piece, stack, [](int32_t, int32_t) {});
            DetectedObject object = Measure(piece);
            if (Kept(object, settings, region)) found.push_back({label, std::move(object)});
        }
    }
    for (Found& f : found) {
        if (!absorbed[static_cast<std::size_t>(f.label)])
            result.objects.push_back(std::move(f.object));
    }
    // Reading order of each object's first pixel: that is where its outline starts.
    std::stable_sort(result.objects.begin(), result.objects.end(),
                     [](const DetectedObject& a, const DetectedObject& b) {
                         return a.start.y != b.start.y ? a.start.y < b.start.y
                                                       : a.start.x < b.start.x;
                     });
    return true;
}

}  // namespace

int64_t DetectResult::TotalPixels() const {
    int64_t total = 0;
    for (const DetectedObject& object : objects) total += object.pixels;
    return total;
}

bool DetectObjects(const SamplePlane& plane, const DetectSettings& settings, DetectResult& result) {
    result = DetectResult{};
    result.region = ClipRegion(settings.region, plane.width, plane.height);
    if (plane.Empty() || plane.values.size() != static_cast<std::size_t>(plane.width) *
                                                    static_cast<std::size_t>(plane.height)) {
        result.histogram.assign(static_cast<std::size_t>(std::max(plane.levels, 1)), 0);
        return plane.Empty();
    }
    try {
        result.histogram = HistogramOf(plane, result.region);
        result.level = ThresholdLevel(result.histogram, settings.method, settings.level);
        if (result.region.Empty()) return true;
        return Run(plane, settings, result);
    } catch (const std::bad_alloc&) {
        result = DetectResult{};
        return false;
    } catch (const cv::Exception&) {
        result = DetectResult{};
        return false;
    }
}

}  // namespace kvx
