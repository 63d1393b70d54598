// The picture libraries and window pictures as the program loads them: every name
// present, decodable, at the size of the control that shows it.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QResource>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "common/key_table.h"

namespace {

const char* const kSets[] = {"on1800", "sn1800", "fn1800", "dn1800"};

class PictureBundles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "pictures_test";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) app_ = new QGuiApplication(argc, argv);
        for (const char* lib : {"on1800", "sn1800", "fn1800", "dn1800", "bn1800", "voredirav44"}) {
            const QString file = QString(ORVALIN_PROGRAM_DIR) + "/" + lib + ".dll";
            registered_ &= QResource::registerResource(file, QString("/") + lib);
        }
    }

    void SetUp() override { ASSERT_TRUE(registered_) << "a picture library did not register"; }

    static QImage load(const QString& path, QByteArray* format = nullptr) {
        QImageReader reader(path);
        if (format) *format = reader.format();
        return reader.read();
    }

    static inline QGuiApplication* app_ = nullptr;
    static inline bool registered_ = true;
};

// Per pixel: the summed red, green and blue differences of two pictures of one size.
std::vector<int> pixel_differences(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    std::vector<int> out;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            out.push_back(std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                          std::abs(qBlue(p) - qBlue(q)));
        }
    return out;
}

// Share of pixels whose colours differ clearly.
double changed_share(const QImage& a, const QImage& b) {
    const auto d = pixel_differences(a, b);
    return double(std::count_if(d.begin(), d.end(), [](int v) { return v > 60; })) /
           double(d.size());
}

// Mean difference per colour channel.
double mean_difference(const QImage& a, const QImage& b) {
    const auto d = pixel_differences(a, b);
    return double(std::accumulate(d.begin(), d.end(), 0LL)) / (3.0 * double(d.size()));
}

QString key_path(const char* set, int code) {
    return QString(":/%1/gif%2").arg(set).arg(code);
}

TEST_F(PictureBundles, EveryKeyPictureIsAGifAtItsButtonSize) {
    for (const char* set : kSets) {
        for (int code = 0; code < orvalin::kKeyPictureCount; ++code) {
            SCOPED_TRACE(key_path(set, code).toStdString());
            QByteArray format;
            const QImage img = load(key_path(set, code), &format);
            ASSERT_FALSE(img.isNull());
            EXPECT_EQ(format, "gif");
            const auto [w, h] = orvalin::key_picture_size(code);
            EXPECT_EQ(img.size(), QSize(w, h));
        }
    }
}

TEST_F(PictureBundles, TheFourLooksOfAKeyDifferAtAGlance) {
    for (int code = 0; code < orvalin::kKeyPictureCount; ++code) {
        std::array<QImage, 4> looks;
        for (int i = 0; i < 4; ++i) looks[size_t(i)] = load(key_path(kSets[i], code));
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j) {
                SCOPED_TRACE(QString("code %1: %2 vs %3")
                                 .arg(code)
                                 .arg(kSets[i])
                                 .arg(kSets[j])
                                 .toStdString());
                ASSERT_EQ(looks[size_t(i)].size(), looks[size_t(j)].size());
                EXPECT_GT(changed_share(looks[size_t(i)], looks[size_t(j)]), 0.25);
            }
    }
}

TEST_F(PictureBundles, NormalKeysLineUpWithTheRemotePicture) {
    // A key in its normal look must look like the remote picture beneath its button, so
    // that refreshing the panel shows no seams; the learned look must not.
    const QImage remote = load(":/window/z");
    ASSERT_EQ(remote.size(), QSize(197, 731));
    for (const auto& key : orvalin::kKeyTable) {
        SCOPED_TRACE("code " + std::to_string(key.code));
        const QImage under = remote.copy(key.left, key.top, key.width, key.height);
        EXPECT_LT(mean_difference(load(key_path("on1800", key.code)), under), 4.0);
        EXPECT_GT(mean_difference(load(key_path("sn1800", key.code)), under), 20.0);
        // Shifting by a few pixels must make things worse: the match is positional.
        const QImage shifted = remote.copy(key.left + 4, key.top + 3, key.width, key.height);
        EXPECT_GT(mean_difference(load(key_path("on1800", key.code)), shifted),
                  mean_difference(load(key_path("on1800", key.code)), under) + 2.0);
    }
}

struct Expected {
    const char* path;
    int width, height;
    const char* format;  // empty: any format Qt reads
};

TEST_F(PictureBundles, ToolPicturesHaveTheirControlSizes) {
    const Expected cases[] = {
        {":/bn1800/jpgjingtai", 409, 72, "jpeg"},     {":/bn1800/gifkesdra", 409, 72, "jpeg"},
        {":/bn1800/delete", 152, 49, "jpeg"},         {":/bn1800/deletehui", 152, 49, "jpeg"},
        {":/bn1800/stopdelete", 152, 49, "jpeg"},     {":/bn1800/clear", 150, 49, "jpeg"},
        {":/bn1800/clearhui", 150, 49, "jpeg"},       {":/bn1800/flash1", 413, 72, "gif"},
        {":/voredirav44/linkflash", 200, 120, "gif"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        QByteArray format;
        const QImage img = load(c.path, &format);
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.size(), QSize(c.width, c.height));
        EXPECT_EQ(format, c.format);
    }
    // Each state of the delete and clear buttons must be told apart.
    const std::vector<std::pair<const char*, const char*>> pairs = {
        {":/bn1800/delete", ":/bn1800/deletehui"},
        {":/bn1800/delete", ":/bn1800/stopdelete"},
        {":/bn1800/deletehui", ":/bn1800/stopdelete"},
        {":/bn1800/clear", ":/bn1800/clearhui"},
        {":/bn1800/jpgjingtai", ":/bn1800/gifkesdra"}};
    for (const auto& [a, b] : pairs) {
        SCOPED_TRACE(std::string(a) + " vs " + b);
        EXPECT_GT(changed_share(load(a), load(b)), 0.2);
    }
}

TEST_F(PictureBundles, AnimationsMoveAndLoop) {
    for (const char* path : {":/bn1800/flash1", ":/voredirav44/linkflash"}) {
        SCOPED_TRACE(path);
        QImageReader reader(path);
        ASSERT_TRUE(reader.supportsAnimation());
        EXPECT_GT(reader.imageCount(), 1);
        EXPECT_NE(reader.loopCount(), 0);  // -1: forever
        std::vector<QImage> frames;
        for (QImage f = reader.read(); !f.isNull(); f = reader.read()) {
            EXPECT_GT(reader.nextImageDelay(), 0);
            frames.push_back(f);
        }
        ASSERT_EQ(int(frames.size()), reader.imageCount());
        ASSERT_GT(frames.size(), 1u);
        for (size_t i = 1; i < frames.size(); ++i)
            EXPECT_GT(mean_difference(frames[i - 1], frames[i]), 0.2) << "frame " << i;
        // Half a loop apart the picture must differ too, or the loop is shorter than it looks.
        EXPECT_GT(mean_difference(frames[0], frames[frames.size() / 2]), 0.2);
    }
}

TEST_F(PictureBundles, WindowPicturesExistAtTheirSizes) {
    const auto [tv_w, tv_h] = orvalin::key_picture_size(orvalin::kTvModeKeyCode);
    const auto [cbl_w, cbl_h] = orvalin::key_picture_size(orvalin::kCblModeKeyCode);
    const auto [dvd_w, dvd_h] = orvalin::key_picture_size(orvalin::kDvdModeKeyCode);
    const Expected cases[] = {
        {":/window/z", 197, 731, "gif"},          {":/window/Image1", 1016, 729, ""},
        {":/window/Image4", 409, 167, "gif"},     {":/window/Image5", 409, 167, "gif"},
        {":/window/Image7", 409, 167, "gif"},     {":/window/Image8", 409, 167, "gif"},
        {":/window/splash", 462, 258, "gif"},     {":/window/TV_IBTN", 121, 41, ""},
        {":/window/CBL_IBTN", 129, 41, ""},       {":/window/DVD_IBTN", 121, 41, ""},
        {":/window/TV_IBTN_on", 121, 41, ""},     {":/window/CBL_IBTN_on", 129, 41, ""},
        {":/window/DVD_IBTN_on", 121, 41, ""},    {":/window/IBtn1_on", tv_w, tv_h, ""},
        {":/window/IBtn3_on", cbl_w, cbl_h, ""},  {":/window/IBtn8_on", dvd_w, dvd_h, ""},
        {":/window/beginstudyibtn", 161, 50, ""}, {":/window/beginstudyibtn_on", 161, 50, ""},
        {":/window/helpibtn", 95, 28, ""},        {":/window/updateibtn", 97, 30, ""},
        {":/window/IBtn79", 38, 27, ""},          {":/window/update_Image1", 140, 300, ""},
        {":/window/update_Image2", 64, 64, ""},   {":/window/update_Image3", 64, 64, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        QByteArray format;
        const QImage img = load(c.path, &format);
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.size(), QSize(c.width, c.height));
        if (*c.format) {
            EXPECT_EQ(format, c.format);
        }
    }
}

TEST_F(PictureBundles, RemoteAndBackgroundMeetTheWindowColourWithoutASeam) {
    // The key panel is filled with the window colour and shows `z` over it; the background
    // picture ends above the window's lower edge. Both must meet that colour exactly.
    const QRgb window = qRgb(53, 124, 168);
    const struct {
        const char* path;
        QPoint where;
    } cases[] = {
        {":/window/z", {0, 0}},         {":/window/z", {196, 0}},
        {":/window/z", {0, 730}},       {":/window/z", {196, 730}},
        {":/window/z", {2, 365}},       {":/window/Image1", {0, 0}},
        {":/window/Image1", {31, 400}}, {":/window/Image1", {230, 728}},
        {":/window/Image1", {10, 728}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " at " + std::to_string(c.where.x()) + "," +
                     std::to_string(c.where.y()));
        const QImage img = load(c.path);
        ASSERT_TRUE(img.rect().contains(c.where));
        EXPECT_EQ(img.pixel(c.where) | 0xff000000u, window);
    }
}

TEST_F(PictureBundles, ActiveLooksDifferFromTheirNormalLooks) {
    const std::vector<std::pair<QString, QString>> pairs = {
        {":/window/TV_IBTN", ":/window/TV_IBTN_on"},
        {":/window/CBL_IBTN", ":/window/CBL_IBTN_on"},
        {":/window/DVD_IBTN", ":/window/DVD_IBTN_on"},
        {":/window/beginstudyibtn", ":/window/beginstudyibtn_on"},
        {key_path("on1800", orvalin::kTvModeKeyCode), ":/window/IBtn1_on"},
        {key_path("on1800", orvalin::kCblModeKeyCode), ":/window/IBtn3_on"},
        {key_path("on1800", orvalin::kDvdModeKeyCode), ":/window/IBtn8_on"},
        {":/window/Image4", ":/window/Image5"},
        {":/window/Image4", ":/window/Image7"},
        {":/window/Image4", ":/window/Image8"},
        {":/window/Image5", ":/window/Image7"},
        {":/window/Image5", ":/window/Image8"},
        {":/window/Image7", ":/window/Image8"},
        {":/window/update_Image2", ":/window/update_Image3"},
    };
    for (const auto& [a, b] : pairs) {
        SCOPED_TRACE((a + " vs " + b).toStdString());
        const QImage x = load(a), y = load(b);
        ASSERT_EQ(x.size(), y.size());
        EXPECT_GT(changed_share(x, y), 0.05);
    }
}

}  // namespace
