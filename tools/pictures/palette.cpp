#include "tools/pictures/palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <unordered_map>

namespace orvalin::pictures {
namespace {

constexpr int kMaxColours = 256;
constexpr int kMaxPinned = 48;

struct Entry {
    QRgb rgb;
    uint64_t count;
};

int channel(QRgb c, int ch) {
    return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
}

struct Box {
    std::vector<Entry> entries;
    uint64_t population = 0;
    int widest_channel = 0;
    int range = 0;

    void measure() {
        population = 0;
        std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
        for (const auto& e : entries) {
            population += e.count;
            for (int ch = 0; ch < 3; ++ch) {
                lo[ch] = std::min(lo[ch], channel(e.rgb, ch));
                hi[ch] = std::max(hi[ch], channel(e.rgb, ch));
            }
        }
        range = -1;
        for (int ch = 0; ch < 3; ++ch) {
            if (hi[ch] - lo[ch] > range) {
                range = hi[ch] - lo[ch];
                widest_channel = ch;
            }
        }
    }

    QRgb mean() const {
        uint64_t sum[3] = {0, 0, 0};
        for (const auto& e : entries)
            for (int ch = 0; ch < 3; ++ch) sum[ch] += e.count * uint64_t(channel(e.rgb, ch));
        const uint64_t n = std::max<uint64_t>(population, 1);
        return qRgb(int((sum[0] + n / 2) / n), int((sum[1] + n / 2) / n),
                    int((sum[2] + n / 2) / n));
    }
};

int distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

std::vector<QRgb> median_cut(std::vector<Entry> entries, int room) {
    std::vector<QRgb> result;
    if (entries.empty() || room <= 0) return result;
    std::vector<Box> boxes(1);
    boxes[0].entries = std::move(entries);
    boxes[0].measure();
    while (int(boxes.size()) < room) {
        // Split the box whose colours spread widest, weighted by how many pixels it holds.
        int best = -1;
        double best_score = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            if (boxes[i].entries.size() < 2) continue;
            const double score = double(boxes[i].range) * std::sqrt(double(boxes[i].population));
            if (best < 0 || score > best_score) {
                best = i;
                best_score = score;
            }
        }
        if (best < 0) break;
        Box& box = boxes[best];
        const int ch = box.widest_channel;
        std::stable_sort(box.entries.begin(), box.entries.end(),
                         [ch](const Entry& a, const Entry& b) {
                             return channel(a.rgb, ch) < channel(b.rgb, ch);
                         });
        uint64_t half = box.population / 2, run = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.entries.size(); ++i) {
            run += box.entries[i].count;
            cut = i + 1;
            if (run >= half) break;
        }
        Box upper;
        upper.entries.assign(box.entries.begin() + long(cut), box.entries.end());
        box.entries.resize(cut);
        box.measure();
        upper.measure();
        boxes.push_back(std::move(upper));
    }
    for (const auto& b : boxes) result.push_back(b.mean());
    return result;
}

}  // namespace

IndexedFrames quantize(const std::vector<QImage>& frames) {
    std::map<QRgb, uint64_t> histogram;  // ordered: the palette must not depend on hash order
    uint64_t total = 0;
    std::vector<QImage> rgb;
    for (const auto& f : frames) {
        rgb.push_back(f.convertToFormat(QImage::Format_RGB32));
        const QImage& img = rgb.back();
        for (int y = 0; y < img.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) ++histogram[line[x] | 0xff000000u];
        }
        total += uint64_t(img.width()) * uint64_t(img.height());
    }

    IndexedFrames out;
    if (int(histogram.size()) <= kMaxColours) {
        for (const auto& [c, n] : histogram) out.palette.push_back(c);
    } else {
        std::vector<Entry> all;
        for (const auto& [c, n] : histogram) all.push_back({c, n});
        std::vector<Entry> by_count = all;
        std::stable_sort(by_count.begin(), by_count.end(),
                         [](const Entry& a, const Entry& b) { return a.count > b.count; });
        std::vector<QRgb> pinned;
        for (const auto& e : by_count) {
            if (int(pinned.size()) >= kMaxPinned || e.count * 200 < total) break;
            pinned.push_back(e.rgb);
        }
        std::vector<Entry> rest;
        for (const auto& e : all)
            if (std::find(pinned.begin(), pinned.end(), e.rgb) == pinned.end()) rest.push_back(e);
        out.palette = pinned;
        for (QRgb c : median_cut(std::move(rest), kMaxColours - int(pinned.size())))
            out.palette.push_back(c);
    }

    std::unordered_map<QRgb, uint8_t> nearest;
    for (const auto& [c, n] : histogram) {
        int best = 0, best_d = distance(c, out.palette[0]);
        for (int i = 1; i < int(out.palette.size()) && best_d > 0; ++i) {
            const int d = distance(c, out.palette[size_t(i)]);
            if (d < best_d) {
                best = i;
                best_d = d;
            }
        }
        nearest[c] = uint8_t(best);
    }
    for (const auto& img : rgb) {
        std::vector<uint8_t> idx(size_t(img.width()) * size_t(img.height()));
        size_t k = 0;
        for (int y = 0; y < img.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) idx[k++] = nearest[line[x] | 0xff000000u];
        }
        out.indices.push_back(std::move(idx));
    }
    return out;
}

}  // namespace orvalin::pictures
