// The generator runs in every build: two runs must give the same bytes, so that builds
// are reproducible and nothing is rebuilt for no reason.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <map>

namespace {

std::map<QString, QByteArray> generate(const QString& dir) {
    QProcess gen;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    gen.setProcessEnvironment(env);
    gen.start(PICTURES_GENERATOR, {dir, PICTURES_FONT, PICTURES_FONT_BOLD});
    EXPECT_TRUE(gen.waitForFinished(120000));
    EXPECT_EQ(gen.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();
    std::map<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        files[QDir(dir).relativeFilePath(path)] = f.readAll();
    }
    return files;
}

TEST(PictureGenerator, TwoRunsGiveTheSameBytes) {
    QTemporaryDir first, second;
    ASSERT_TRUE(first.isValid() && second.isValid());
    const auto a = generate(first.path());
    const auto b = generate(second.path());
    // 4 x 51 key pictures, the tool and window pictures and the resource lists.
    ASSERT_GT(a.size(), 4u * 51u);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, bytes] : a) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(b.count(name));
        EXPECT_FALSE(bytes.isEmpty());
        EXPECT_TRUE(bytes == b.at(name));
    }
}

TEST(PictureGenerator, RefusesAnUnreadableFontInsteadOfDrawingWithoutIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess gen;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    gen.setProcessEnvironment(env);
    gen.start(PICTURES_GENERATOR, {dir.path(), dir.path() + "/missing.ttc", PICTURES_FONT_BOLD});
    ASSERT_TRUE(gen.waitForFinished(60000));
    EXPECT_NE(gen.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(dir.path() + "/on1800.qrc"));
}

}  // namespace
