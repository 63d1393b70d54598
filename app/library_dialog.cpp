// The library's headers before Qt: a code file's signals are members named as
// Qt's "signals" macro, which this file does not use.
#include "library/key_mapping.h"
#include "library/key_names.h"
#include "library/library_file.h"
#include "library/library_folders.h"
#include "library/library_index.h"
#include "library/mode_import.h"
// clang-format off
#include "app/library_dialog.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <atomic>
#include <filesystem>
#include <optional>

#include "app/key_panel.h"
#include "common/data_files.h"
#include "common/key_table.h"
#include "ircode/analysis.h"
#include "learning/fallback_converter.h"
// clang-format on

#undef signals

namespace orvalin::app {

namespace fs = std::filesystem;

struct LibraryDialog::State {
    fs::path program_dir;
    int mode = 0;
    learning::KeyStates keys;
    std::optional<library::KeyNames> names;
    std::unique_ptr<library::LibraryIndex> index;  // this thread's connection: searches
    std::vector<library::FileEntry> found;
    library::LibraryFile file;
    std::vector<library::Assignment> mapping;
    library::ImportPlan plan;
    bool planned = false;
    QThread* thread = nullptr;
    std::atomic<bool> stop{false};
    bool again = false;  // the folders changed while indexing: index once more
};

namespace {

QString text_of(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

fs::path path_of(const QString& s) {
    return fs::path(QFile::encodeName(s).toStdString());
}

// The kinds as the choice names them; index 0 is every kind.
const std::vector<std::pair<QString, library::DeviceKind>>& kinds() {
    static const std::vector<std::pair<QString, library::DeviceKind>> all = {
        {QCoreApplication::translate("LibraryDialog", "电视"), library::DeviceKind::tv},
        {QCoreApplication::translate("LibraryDialog", "机顶盒"), library::DeviceKind::stb},
        {QCoreApplication::translate("LibraryDialog", "影碟机"), library::DeviceKind::dvd},
        {QCoreApplication::translate("LibraryDialog", "音响"), library::DeviceKind::audio},
        {QCoreApplication::translate("LibraryDialog", "投影仪"), library::DeviceKind::projector},
        {QCoreApplication::translate("LibraryDialog", "其他"), library::DeviceKind::other},
    };
    return all;
}

QString kind_text(const std::string& kind) {
    library::DeviceKind k{};
    if (!library::parse_kind(kind, k)) return text_of(kind);
    for (const auto& [text, each] : kinds())
        if (each == k) return text;
    return text_of(kind);
}

template <class Widget>
Widget* named(Widget* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QTableWidget* table(QWidget* parent, const char* name, const QStringList& headers) {
    auto* t = named(new QTableWidget(0, static_cast<int>(headers.size()), parent), name);
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

}  // namespace

LibraryDialog::LibraryDialog(const QString& program_dir, int mode, learning::KeyStates keys,
                             QWidget* parent)
    : QDialog(parent), state_(std::make_unique<State>()) {
    setObjectName(QStringLiteral("library_dialog"));
    setWindowTitle(QCoreApplication::translate("LibraryDialog", "从遥控器库导入"));
    resize(820, 620);
    state_->program_dir = path_of(program_dir);
    state_->mode = mode;
    state_->keys = std::move(keys);

    auto* layout = new QVBoxLayout(this);
    build_folder_area(layout);
    build_search_area(layout);
    build_tables(layout);
    build_buttons(layout);
    connect_components();
    open_names_and_index();
    show_folders();
    start_indexing();
}

void LibraryDialog::build_folder_area(QVBoxLayout* layout) {
    folder_list_ = named(new QListWidget(this), "folder_list");
    folder_list_->setMaximumHeight(72);
    add_folder_button_ =
        named(new QPushButton(QCoreApplication::translate("LibraryDialog", "添加文件夹…"), this),
              "add_folder_button");
    remove_folder_button_ =
        named(new QPushButton(QCoreApplication::translate("LibraryDialog", "移除文件夹"), this),
              "remove_folder_button");
    auto* folder_buttons = new QVBoxLayout;
    folder_buttons->addWidget(add_folder_button_);
    folder_buttons->addWidget(remove_folder_button_);
    auto* folders_row = new QHBoxLayout;
    folders_row->addWidget(folder_list_, 1);
    folders_row->addLayout(folder_buttons);
    layout->addWidget(
        new QLabel(QCoreApplication::translate("LibraryDialog", "遥控器库的文件夹："), this));
    layout->addLayout(folders_row);
    progress_ = named(new QProgressBar(this), "progress");
    progress_->setFormat(QCoreApplication::translate("LibraryDialog", "正在建立索引 %v/%m"));
    progress_->hide();
    layout->addWidget(progress_);
}

void LibraryDialog::build_search_area(QVBoxLayout* layout) {
    search_field_ = named(new QLineEdit(this), "search_field");
    search_field_->setPlaceholderText(
        QCoreApplication::translate("LibraryDialog", "品牌、型号或按键名"));
    kind_choice_ = named(new QComboBox(this), "kind_choice");
    kind_choice_->addItem(QCoreApplication::translate("LibraryDialog", "全部类型"));
    for (const auto& [text, kind] : kinds()) kind_choice_->addItem(text);
    auto* search_row = new QHBoxLayout;
    search_row->addWidget(new QLabel(QCoreApplication::translate("LibraryDialog", "搜索："), this));
    search_row->addWidget(search_field_, 1);
    search_row->addWidget(kind_choice_);
    layout->addLayout(search_row);
}

void LibraryDialog::build_tables(QVBoxLayout* layout) {
    results_ = table(this, "results",
                     {QCoreApplication::translate("LibraryDialog", "品牌"),
                      QCoreApplication::translate("LibraryDialog", "型号"),
                      QCoreApplication::translate("LibraryDialog", "类型"),
                      QCoreApplication::translate("LibraryDialog", "信号数")});
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(results_, 2);
    signal_table_ = table(this, "signal_table",
                          {QCoreApplication::translate("LibraryDialog", "信号"),
                           QCoreApplication::translate("LibraryDialog", "按键"),
                           QCoreApplication::translate("LibraryDialog", "结果")});
    layout->addWidget(signal_table_, 3);
}

void LibraryDialog::build_buttons(QVBoxLayout* layout) {
    replaced_label_ = named(new QLabel(this), "replaced_label");
    replaced_label_->setWordWrap(true);
    note_ = named(new QLabel(this), "note");
    note_->setWordWrap(true);
    layout->addWidget(replaced_label_);
    layout->addWidget(note_);
    import_button_ =
        named(new QPushButton(QCoreApplication::translate("LibraryDialog", "导入"), this),
              "import_button");
    import_button_->setEnabled(false);
    close_button_ =
        named(new QPushButton(QCoreApplication::translate("LibraryDialog", "关闭"), this),
              "close_button");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(import_button_);
    buttons->addWidget(close_button_);
    layout->addLayout(buttons);
}

void LibraryDialog::connect_components() {
    connect(close_button_, &QPushButton::clicked, this, &QDialog::reject);
    connect(import_button_, &QPushButton::clicked, this, [this] {
        if (has_plan() && plan().learned_count() > 0) accept();
    });
    connect(search_field_, &QLineEdit::textChanged, this, [this] { search(); });
    connect(kind_choice_, &QComboBox::currentIndexChanged, this, [this] { search(); });
    connect(results_, &QTableWidget::itemSelectionChanged, this, [this] {
        const auto rows = results_->selectionModel()->selectedRows();
        if (!rows.isEmpty()) choose(rows.front().row());
    });
    connect(add_folder_button_, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, QCoreApplication::translate("LibraryDialog", "添加遥控器库的文件夹"));
        if (!folder.isEmpty()) add_folder(folder);
    });
    connect(remove_folder_button_, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = folder_list_->currentItem()) remove_folder(item->text());
    });
}

void LibraryDialog::open_names_and_index() {
    std::string why;
    state_->names =
        library::KeyNames::load(data_file(state_->program_dir, library::kKeyNamesFileName), why);
    if (!state_->names)
        note_->setText(QCoreApplication::translate("LibraryDialog", "无法读取按键名称文件：") +
                       text_of(why));
    state_->index = library::LibraryIndex::open(library::index_file(), why);
    if (!state_->index)
        note_->setText(QCoreApplication::translate("LibraryDialog", "无法打开遥控器库的索引：") +
                       text_of(why));
}

LibraryDialog::~LibraryDialog() {
    state_->stop = true;
    if (state_->thread != nullptr) {
        state_->thread->wait();
        delete state_->thread;
    }
}

bool LibraryDialog::indexing() const {
    return state_->thread != nullptr;
}

bool LibraryDialog::has_plan() const {
    return state_->planned;
}

const library::ImportPlan& LibraryDialog::plan() const {
    return state_->plan;
}

void LibraryDialog::show_folders() {
    folder_list_->clear();
    const auto system = library::system_folder();
    for (const fs::path& f : library::indexed_folders(library::settings_file())) {
        auto* item = new QListWidgetItem(text_of(f.string()), folder_list_);
        // The system's LIRC remotes are indexed when present; they cannot be removed.
        if (system && library::normal_folder(*system) == f) item->setFlags(Qt::NoItemFlags);
    }
}

bool LibraryDialog::add_folder(const QString& folder) {
    std::string why;
    return folders_changed(library::add_folder(library::settings_file(), path_of(folder), why),
                           QCoreApplication::translate("LibraryDialog", "无法添加文件夹："), why);
}

bool LibraryDialog::remove_folder(const QString& folder) {
    std::string why;
    return folders_changed(library::remove_folder(library::settings_file(), path_of(folder), why),
                           QCoreApplication::translate("LibraryDialog", "无法移除文件夹："), why);
}

bool LibraryDialog::folders_changed(bool ok, const QString& failure, const std::string& why) {
    if (!ok) {
        note_->setText(failure + text_of(why));
        return false;
    }
    note_->clear();
    show_folders();
    start_indexing();
    return true;
}

void LibraryDialog::start_indexing() {
    if (state_->thread != nullptr) {
        state_->again = true;
        return;
    }
    const std::vector<fs::path> folders = library::indexed_folders(library::settings_file());
    progress_->setRange(0, 0);
    progress_->show();
    State* state = state_.get();
    state_->thread = QThread::create([this, state, folders] {
        // One connection per thread: the index of this thread.
        std::string why;
        auto index = library::LibraryIndex::open(library::index_file(), why);
        library::UpdateStats stats;
        if (index) {
            stats = index->update(folders, [this, state](std::size_t done, std::size_t total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total] {
                        progress_->setRange(0, static_cast<int>(total));
                        progress_->setValue(static_cast<int>(done));
                    },
                    Qt::QueuedConnection);
                return !state->stop.load();
            });
        }
        QMetaObject::invokeMethod(
            this, [this, stats] { index_done(stats.files, stats.unreadable); },
            Qt::QueuedConnection);
    });
    state_->thread->start();
}

void LibraryDialog::index_done(std::size_t files, std::size_t unreadable) {
    if (state_->thread != nullptr) {
        state_->thread->wait();
        delete state_->thread;
        state_->thread = nullptr;
    }
    if (state_->again) {
        state_->again = false;
        start_indexing();
        return;
    }
    progress_->hide();
    if (unreadable > 0) {
        note_->setText(QCoreApplication::translate("LibraryDialog", "%1 个文件中有 %2 个无法读取")
                           .arg(files)
                           .arg(unreadable));
    }
    search();
    Q_EMIT indexing_finished();
}

void LibraryDialog::search() {
    results_->setRowCount(0);
    state_->found.clear();
    if (!state_->index) return;
    std::optional<library::DeviceKind> kind;
    if (const int k = kind_choice_->currentIndex(); k > 0) {
        kind = kinds()[static_cast<std::size_t>(k - 1)].second;
    }
    state_->found = state_->index->search(search_field_->text().toStdString(), kind);
    results_->setRowCount(static_cast<int>(state_->found.size()));
    for (int row = 0; row < static_cast<int>(state_->found.size()); ++row) {
        const library::FileEntry& e = state_->found[static_cast<std::size_t>(row)];
        results_->setItem(row, 0, new QTableWidgetItem(text_of(e.brand)));
        results_->setItem(row, 1, new QTableWidgetItem(text_of(e.model)));
        results_->setItem(row, 2, new QTableWidgetItem(kind_text(e.kind)));
        results_->setItem(row, 3, new QTableWidgetItem(QString::number(e.signals)));
        results_->item(row, 0)->setToolTip(text_of(e.path));
    }
}

void LibraryDialog::choose(int row) {
    state_->planned = false;
    signal_table_->setRowCount(0);
    import_button_->setEnabled(false);
    replaced_label_->clear();
    if (row < 0 || row >= static_cast<int>(state_->found.size()) || !state_->names) return;
    const library::FileEntry& e = state_->found[static_cast<std::size_t>(row)];
    state_->file = library::read_entry(e);
    if (!state_->file.ok()) {
        note_->setText(QCoreApplication::translate("LibraryDialog", "无法读取该编码文件！") +
                       QStringLiteral("\n") + text_of(state_->file.error));
        return;
    }
    note_->clear();
    std::vector<std::string> names;
    for (const auto& s : state_->file.signals) names.push_back(s.name);
    state_->mapping = library::map_signals(names, *state_->names);
    replan();
}

void LibraryDialog::set_key(int signal_row, int key_code) {
    if (signal_row < 0 || static_cast<std::size_t>(signal_row) >= state_->mapping.size()) return;
    std::string why;
    if (!library::assign(state_->mapping, static_cast<std::size_t>(signal_row), key_code, why)) {
        note_->setText(text_of(why));
        return;
    }
    replan();
}

void LibraryDialog::replan() {
    const fs::path dir = state_->program_dir;
    state_->plan = library::plan_import(
        state_->file.path, state_->mode, state_->file.signals, state_->mapping, state_->keys,
        data_file(dir, ircode::kCodeInfoFileName), dir / learning::kFallbackLibraryName);
    state_->planned = true;
    show_plan();
}

void LibraryDialog::show_plan() {
    const library::ImportPlan& plan = state_->plan;
    signal_table_->setRowCount(static_cast<int>(plan.keys.size()));
    for (int row = 0; row < static_cast<int>(plan.keys.size()); ++row) {
        const library::ImportKey& k = plan.keys[static_cast<std::size_t>(row)];
        signal_table_->setItem(row, 0, new QTableWidgetItem(text_of(k.signal)));
        auto* choice = new QComboBox(signal_table_);
        choice->addItem(QCoreApplication::translate("LibraryDialog", "（不导入）"), -1);
        for (const KeyInfo& info : kKeyTable) {
            if (!library::learnable_key(info.code)) continue;
            choice->addItem(key_name_of(info.code), info.code);
        }
        choice->setCurrentIndex(std::max(0, choice->findData(k.key_code)));
        connect(choice, &QComboBox::activated, this,
                [this, row, choice](int index) { set_key(row, choice->itemData(index).toInt()); });
        signal_table_->setCellWidget(row, 1, choice);
        QString result;
        if (k.learned) {
            result = QCoreApplication::translate("LibraryDialog", "可学习：") + text_of(k.type);
            if (k.replaces)
                result += QCoreApplication::translate("LibraryDialog", "（将替换已学习的编码）");
        } else if (k.key_code >= 0) {
            result = QCoreApplication::translate("LibraryDialog", "不能学习：") + text_of(k.reason);
        } else {
            result = QCoreApplication::translate("LibraryDialog", "不导入：") + text_of(k.reason);
        }
        signal_table_->setItem(row, 2, new QTableWidgetItem(result));
    }
    QStringList replaced;
    for (const int code : plan.replaced()) replaced << key_name_of(code);
    replaced_label_->setText(
        replaced.isEmpty() ? QString()
                           : QCoreApplication::translate("LibraryDialog", "将被替换的按键：") +
                                 replaced.join(QStringLiteral("、")));
    import_button_->setEnabled(plan.learned_count() > 0);
}

namespace {
LibraryDialogRunner& runner() {
    static LibraryDialogRunner r;
    return r;
}
}  // namespace

void set_library_dialog_runner(LibraryDialogRunner r) {
    runner() = std::move(r);
}

int run_library_dialog(LibraryDialog& dialog) {
    if (runner()) return runner()(dialog);
    return dialog.exec();
}

}  // namespace orvalin::app
