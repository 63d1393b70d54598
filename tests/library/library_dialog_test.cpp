// 「从遥控器库导入…」 in the real main window against the simulated remote: the
// button beside the existing controls, a folder added in the dialog and indexed
// off the window's thread, search, the chosen file's keys (one moved by the
// user), the replaced key confirmed, and one write with one backup.
#include "library/mode_import.h"
// clang-format off
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <cstdlib>

#include "app/ibtn.h"
#include "app/library_dialog.h"
#include "tests/app/learning_fixture.h"
// clang-format on

#undef signals

namespace orvalin::app::testing {
namespace {

const fs::path kTree = fs::path(ORVALIN_TEST_DATA_DIR) / "library" / "tree";

class LibraryWindow : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        ::setenv("XDG_CONFIG_HOME", (temp_ / "config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (temp_ / "cache").c_str(), 1);
        ::setenv("ORVALIN_SYSTEM_LIBRARY", "", 1);
        fs::copy(kTree, temp_ / "tree", fs::copy_options::recursive);
    }
    void TearDown() override {
        set_library_dialog_runner({});
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_CACHE_HOME");
        ::unsetenv("ORVALIN_SYSTEM_LIBRARY");
        SessionTest::TearDown();
    }
    std::unique_ptr<Tmainorvalin> open_library_window() {
        auto w = open_window();
        const fs::path program = temp_ / "program";  // open_window's program folder
        std::error_code ec;
        fs::create_symlink(fs::path(ORVALIN_PROGRAM_DIR) / "key-names.tsv",
                           program / "key-names.tsv", ec);
        EXPECT_TRUE(fs::exists(program / "key-names.tsv"));
        return w;
    }
    QString tree() const { return QString::fromStdString((temp_ / "tree").string()); }
};

int row_of(QTableWidget* table, const QString& first_column) {
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0) && table->item(r, 0)->text() == first_column) return r;
    return -1;
}

TEST_F(LibraryWindow, TheButtonHidesNoControlOfTheWindow) {
    auto w = open_library_window();
    ASSERT_NE(part<QPushButton>(*w, "library_button"), nullptr);
    EXPECT_TRUE(part<QPushButton>(*w, "library_button")->isVisible());
    EXPECT_EQ(part<QPushButton>(*w, "library_button")->text(), QStringLiteral("从遥控器库导入…"));
    std::vector<QWidget*> others;
    for (IBtn* b : w->image_buttons()) others.push_back(b);
    for (QLabel* o :
         {part<QLabel>(*w, "runstate_lab"), part<QLabel>(*w, "Lab_stb"),
          part<QLabel>(*w, "Imagehint"), part<QLabel>(*w, "donghuaflash2"),
          part<QLabel>(*w, "Image4"), part<QLabel>(*w, "Image5"), part<QLabel>(*w, "Image7"),
          part<QLabel>(*w, "Image8"), part<QLabel>(*w, "lab_ykqtype"),
          part<QLabel>(*w, "lab_softver"), part<QLabel>(*w, "lab_gjbb")})
        others.push_back(o);
    others.push_back(part<QScrollArea>(*w, "ykqbox"));
    const QRect mine = part<QPushButton>(*w, "library_button")->geometry();
    EXPECT_TRUE(w->rect().contains(mine));
    for (QWidget* o : others) {
        if (o->parentWidget() != w.get()) continue;  // the keys lie on the key panel
        EXPECT_FALSE(o->geometry().intersects(mine)) << o->objectName().toStdString();
    }
    close_window(*w);
}

TEST_F(LibraryWindow, AWholeModeFromTheLibraryInOneWrite) {
    auto w = open_library_window();
    // VOL+ learned from the other remote first: the import replaces it.
    start_learning(*w);
    learn(*w, 0x10, nec_signal());
    stop_learning(*w, Answer::yes);
    ASSERT_EQ(vorkel::sim::code_table_writes(), 1u);
    const std::size_t backups_before = backups().size();

    bool ran = false;
    set_library_dialog_runner([&](LibraryDialog& d) -> int {
        ran = true;
        EXPECT_TRUE(d.add_folder(tree()));
        EXPECT_TRUE(d.indexing());
        EXPECT_TRUE(wait_for([&] { return !d.indexing(); }));
        EXPECT_FALSE(d.progress->isVisible());
        EXPECT_EQ(d.folder_list->count(), 1);
        EXPECT_FALSE(d.add_folder(tree()));  // already there: said in the note
        EXPECT_FALSE(d.note->text().isEmpty());

        d.kind_choice->setCurrentIndex(3);  // 影碟机
        EXPECT_EQ(d.results->rowCount(), 2);
        d.kind_choice->setCurrentIndex(0);
        d.search_field->setText(QStringLiteral("samsung"));
        EXPECT_EQ(d.results->rowCount(), 1);
        d.results->selectRow(0);
        EXPECT_TRUE(d.has_plan());
        EXPECT_EQ(d.signal_table->rowCount(), 27);
        const int vol = row_of(d.signal_table, QStringLiteral("Vol_up"));
        const auto* choice = qobject_cast<QComboBox*>(d.signal_table->cellWidget(vol, 1));
        if (vol < 0 || choice == nullptr) {
            ADD_FAILURE() << "no Vol_up row with a key choice";
            return QDialog::Rejected;
        }
        EXPECT_EQ(choice->currentText(), QStringLiteral("VOL+"));
        EXPECT_TRUE(
            d.signal_table->item(vol, 2)->text().startsWith(QStringLiteral("可学习：Samsung32")));
        EXPECT_EQ(d.replaced_label->text(), QStringLiteral("将被替换的按键：VOL+"));
        // The user leaves Netflix out and puts Info on F12.
        const int netflix = row_of(d.signal_table, QStringLiteral("Netflix"));
        const int info = row_of(d.signal_table, QStringLiteral("Info"));
        d.set_key(netflix, -1);
        d.set_key(info, 0x2C);
        EXPECT_TRUE(d.signal_table->item(netflix, 2)->text().startsWith(QStringLiteral("不导入")));
        EXPECT_EQ(qobject_cast<QComboBox*>(d.signal_table->cellWidget(info, 1))->currentText(),
                  QStringLiteral("F12"));
        EXPECT_EQ(d.plan().learned_count(), 25u);
        EXPECT_TRUE(d.import_button->isEnabled());
        EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);  // nothing written from the dialog
        return static_cast<int>(QDialog::Accepted);
    });
    boxes.expect(QStringLiteral("以下按键已学习过，导入后编码将被替换：VOL+\n要继续导入吗?"),
                 Answer::yes, Buttons::yes_no);
    boxes.expect(QStringLiteral("已从遥控器库导入25个按键到TV区！"), Answer::ok);
    part<QPushButton>(*w, "library_button")->click();
    ASSERT_TRUE(ran);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 2u);
    EXPECT_EQ(backups().size(), backups_before + 1);
    for (const char* line : {"10|2", "00|2", "2C|2", "16|2", "1A|2"})
        EXPECT_TRUE(has_line(w->session().keys(), line)) << line;
    EXPECT_FALSE(has_code(w->session().keys(), "1E"));  // F4 would have taken Netflix
    EXPECT_FALSE(key(*w, 0x00)->IsEnable());            // shown as learned
    EXPECT_EQ(w->session().keys(), remote_key_lines());
    close_window(*w);
}

TEST_F(LibraryWindow, DeclinedReplacementAndLearningStateWriteNothing) {
    auto w = open_library_window();
    start_learning(*w);
    learn(*w, 0x10, nec_signal());
    stop_learning(*w, Answer::yes);

    set_library_dialog_runner([&](LibraryDialog& d) -> int {
        d.add_folder(tree());
        EXPECT_TRUE(wait_for([&] { return !d.indexing(); }));
        d.search_field->setText(QStringLiteral("UE40"));
        d.results->selectRow(0);
        return static_cast<int>(QDialog::Accepted);
    });
    boxes.expect(QStringLiteral("以下按键已学习过，导入后编码将被替换：VOL+\n要继续导入吗?"),
                 Answer::no, Buttons::yes_no);
    w->library_import_click();
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);

    // Closed without 导入: nothing asked, nothing written.
    set_library_dialog_runner([](LibraryDialog&) { return static_cast<int>(QDialog::Rejected); });
    w->library_import_click();
    start_learning(*w);
    boxes.expect(QStringLiteral("正在自学习，要从遥控器库导入请先停止学习！"), Answer::ok);
    w->library_import_click();
    stop_learning_without_changes(*w);
    EXPECT_EQ(vorkel::sim::code_table_writes(), 1u);
    close_window(*w);
}

}  // namespace
}  // namespace orvalin::app::testing
