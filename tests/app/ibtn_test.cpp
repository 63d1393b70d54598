// The image button on its own: IsEnable setter, press and release, Path.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "tests/app/window_fixture.h"

namespace orvalin::app::testing {
namespace {

QPixmap filled(QColor colour) {
    QPixmap p(8, 8);
    p.fill(colour);
    return p;
}

class IBtnTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensure_app();
        set_document_opener([this](const QString& path) {
            opened.push_back(path);
            return true;
        });
    }
    void TearDown() override { set_document_opener({}); }
    std::vector<QString> opened;
};

TEST_F(IBtnTest, ConstructorDefaults) {
    IBtn b;
    EXPECT_EQ(b.MoveDown(), 1);
    EXPECT_EQ(b.MoveRight(), 1);
    EXPECT_TRUE(b.Path().isEmpty());
    EXPECT_TRUE(b.IsEnable());
    EXPECT_TRUE(b.DisablePic().isNull());
    EXPECT_TRUE(b.Code().isEmpty());
    EXPECT_EQ(b.size(), QSize(80, 25));
    b.setMoveDown(300);
    b.setMoveRight(-4);
    EXPECT_EQ(b.MoveDown(), 255);
    EXPECT_EQ(b.MoveRight(), 0);
}

TEST_F(IBtnTest, IsEnableSetterSequences) {
    const QPixmap normal = filled(Qt::green), off = filled(Qt::red);
    enum Shown { kNormal, kOff, kNone };
    const struct {
        const char* name;
        std::vector<bool> sets;
        Shown shown;
    } cases[] = {
        {"false shows DisablePic", {false}, kOff},
        {"false then true restores", {false, true}, kNormal},
        {"true on a fresh button keeps its picture", {true}, kNormal},
        // No comparison with the old value: the second false saves DisablePic.
        {"false twice then true shows DisablePic", {false, false, true}, kOff},
        {"true twice after false", {false, true, true}, kNormal},
    };
    for (const auto& c : cases) {
        IBtn b;
        b.setPicture(normal);
        b.setDisablePic(off);
        for (bool v : c.sets) b.setIsEnable(v);
        EXPECT_EQ(b.IsEnable(), c.sets.back()) << c.name;
        const QPixmap expected = c.shown == kNormal ? normal : off;
        EXPECT_TRUE(same_picture(b.picture(), expected)) << c.name;
    }
    // A button with an empty normal picture gets it back empty (the mode keys rely on it).
    IBtn key;
    key.setDisablePic(off);
    key.setIsEnable(false);
    key.setIsEnable(true);
    EXPECT_TRUE(key.picture().isNull());
}

TEST_F(IBtnTest, PressMovesWhileHeldAndClicksOnRelease) {
    QWidget parent;
    parent.resize(200, 200);
    auto* b = new IBtn(&parent);
    b->setGeometry(20, 30, 40, 20);
    b->setMoveDown(3);
    b->setMoveRight(2);
    parent.show();
    std::vector<QPoint> position_at_click;
    QObject::connect(b, &IBtn::clicked,
                     [&](IBtn* self) { position_at_click.push_back(self->pos()); });

    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b->pos(), QPoint(22, 33));
    EXPECT_TRUE(position_at_click.empty());
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b->pos(), QPoint(20, 30));
    // The click comes before the button moves back.
    EXPECT_EQ(position_at_click, std::vector<QPoint>{QPoint(22, 33)});

    // Released outside: no click, but the button moves back.
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(b->pos(), QPoint(20, 30));
    EXPECT_EQ(position_at_click.size(), 1u);
}

TEST_F(IBtnTest, PressOpensPathOnlyWhenTheFileExistsInTheCurrentFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("TV")));
    QFile doc(dir.filePath(QStringLiteral("TV/AV")));
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.close();

    const struct {
        const char* path;
        bool opens;
    } cases[] = {{"TV/AV", true}, {"VOL+", false}, {"", false}, {"TV", false}};
    for (const auto& c : cases) {
        opened.clear();
        IBtn b;
        b.setPath(QString::fromUtf8(c.path));
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.path;
        if (c.opens) {
            EXPECT_EQ(opened.front(), QFileInfo(doc).absoluteFilePath());
        }
        EXPECT_EQ(QDir::currentPath(), dir.path()) << "the current folder never changes";
    }
    QDir::setCurrent(old);
}

}  // namespace
}  // namespace orvalin::app::testing
