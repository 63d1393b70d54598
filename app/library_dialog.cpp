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
    auto* folders_row = new QHBoxLayout;
    folder_list = new QListWidget(this);
    folder_list->setMaximumHeight(72);
    add_folder_button =
        new QPushButton(QCoreApplication::translate("LibraryDialog", "添加文件夹…"), this);
    remove_folder_button =
        new QPushButton(QCoreApplication::translate("LibraryDialog", "移除文件夹"), this);
    auto* folder_buttons = new QVBoxLayout;
    folder_buttons->addWidget(add_folder_button);
    folder_buttons->addWidget(remove_folder_button);
    folders_row->addWidget(folder_list, 1);
    folders_row->addLayout(folder_buttons);
    layout->addWidget(
        new QLabel(QCoreApplication::translate("LibraryDialog", "遥控器库的文件夹："), this));
    layout->addLayout(folders_row);
    progress = new QProgressBar(this);
    progress->setFormat(QCoreApplication::translate("LibraryDialog", "正在建立索引 %v/%m"));
    progress->hide();
    layout->addWidget(progress);

    auto* search_row = new QHBoxLayout;
    search_field = new QLineEdit(this);
    search_field->setPlaceholderText(
        QCoreApplication::translate("LibraryDialog", "品牌、型号或按键名"));
    kind_choice = new QComboBox(this);
    kind_choice->addItem(QCoreApplication::translate("LibraryDialog", "全部类型"));
    for (const auto& [text, kind] : kinds()) kind_choice->addItem(text);
    search_row->addWidget(new QLabel(QCoreApplication::translate("LibraryDialog", "搜索："), this));
    search_row->addWidget(search_field, 1);
    search_row->addWidget(kind_choice);
    layout->addLayout(search_row);

    results = new QTableWidget(0, 4, this);
    results->setHorizontalHeaderLabels({QCoreApplication::translate("LibraryDialog", "品牌"),
                                        QCoreApplication::translate("LibraryDialog", "型号"),
                                        QCoreApplication::translate("LibraryDialog", "类型"),
                                        QCoreApplication::translate("LibraryDialog", "信号数")});
    results->setSelectionBehavior(QAbstractItemView::SelectRows);
    results->setSelectionMode(QAbstractItemView::SingleSelection);
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(results, 2);

    signal_table = new QTableWidget(0, 3, this);
    signal_table->setHorizontalHeaderLabels({QCoreApplication::translate("LibraryDialog", "信号"),
                                             QCoreApplication::translate("LibraryDialog", "按键"),
                                             QCoreApplication::translate("LibraryDialog", "结果")});
    signal_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    signal_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(signal_table, 3);

    replaced_label = new QLabel(this);
    replaced_label->setWordWrap(true);
    note = new QLabel(this);
    note->setWordWrap(true);
    layout->addWidget(replaced_label);
    layout->addWidget(note);
    auto* buttons = new QHBoxLayout;
    import_button = new QPushButton(QCoreApplication::translate("LibraryDialog", "导入"), this);
    import_button->setEnabled(false);
    auto* close = new QPushButton(QCoreApplication::translate("LibraryDialog", "关闭"), this);
    buttons->addStretch(1);
    buttons->addWidget(import_button);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(import_button, &QPushButton::clicked, this, [this] {
        if (has_plan() && plan().learned_count() > 0) accept();
    });
    connect(search_field, &QLineEdit::textChanged, this, [this] { search(); });
    connect(kind_choice, &QComboBox::currentIndexChanged, this, [this] { search(); });
    connect(results, &QTableWidget::itemSelectionChanged, this, [this] {
        const auto rows = results->selectionModel()->selectedRows();
        if (!rows.isEmpty()) choose(rows.front().row());
    });
    connect(add_folder_button, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, QCoreApplication::translate("LibraryDialog", "添加遥控器库的文件夹"));
        if (!folder.isEmpty()) add_folder(folder);
    });
    connect(remove_folder_button, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = folder_list->currentItem()) remove_folder(item->text());
    });

    std::string why;
    state_->names =
        library::KeyNames::load(data_file(state_->program_dir, library::kKeyNamesFileName), why);
    if (!state_->names)
        note->setText(QCoreApplication::translate("LibraryDialog", "无法读取按键名称文件：") +
                      text_of(why));
    state_->index = library::LibraryIndex::open(library::index_file(), why);
    if (!state_->index)
        note->setText(QCoreApplication::translate("LibraryDialog", "无法打开遥控器库的索引：") +
                      text_of(why));
    show_folders();
    start_indexing();
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
    folder_list->clear();
    const auto system = library::system_folder();
    for (const fs::path& f : library::indexed_folders(library::settings_file())) {
        auto* item = new QListWidgetItem(text_of(f.string()), folder_list);
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
        note->setText(failure + text_of(why));
        return false;
    }
    note->clear();
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
    progress->setRange(0, 0);
    progress->show();
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
                        progress->setRange(0, static_cast<int>(total));
                        progress->setValue(static_cast<int>(done));
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
    progress->hide();
    if (unreadable > 0) {
        note->setText(QCoreApplication::translate("LibraryDialog", "%1 个文件中有 %2 个无法读取")
                          .arg(files)
                          .arg(unreadable));
    }
    search();
    Q_EMIT indexing_finished();
}

void LibraryDialog::search() {
    results->setRowCount(0);
    state_->found.clear();
    if (!state_->index) return;
    std::optional<library::DeviceKind> kind;
    if (const int k = kind_choice->currentIndex(); k > 0) {
        kind = kinds()[static_cast<std::size_t>(k - 1)].second;
    }
    state_->found = state_->index->search(search_field->text().toStdString(), kind);
    results->setRowCount(static_cast<int>(state_->found.size()));
    for (int row = 0; row < static_cast<int>(state_->found.size()); ++row) {
        const library::FileEntry& e = state_->found[static_cast<std::size_t>(row)];
        results->setItem(row, 0, new QTableWidgetItem(text_of(e.brand)));
        results->setItem(row, 1, new QTableWidgetItem(text_of(e.model)));
        results->setItem(row, 2, new QTableWidgetItem(kind_text(e.kind)));
        results->setItem(row, 3, new QTableWidgetItem(QString::number(e.signals)));
        results->item(row, 0)->setToolTip(text_of(e.path));
    }
}

void LibraryDialog::choose(int row) {
    state_->planned = false;
    signal_table->setRowCount(0);
    import_button->setEnabled(false);
    replaced_label->clear();
    if (row < 0 || row >= static_cast<int>(state_->found.size()) || !state_->names) return;
    const library::FileEntry& e = state_->found[static_cast<std::size_t>(row)];
    state_->file = library::read_entry(e);
    if (!state_->file.ok()) {
        note->setText(QCoreApplication::translate("LibraryDialog", "无法读取该编码文件！") +
                      QStringLiteral("\n") + text_of(state_->file.error));
        return;
    }
    note->clear();
    std::vector<std::string> names;
    for (const auto& s : state_->file.signals) names.push_back(s.name);
    state_->mapping = library::map_signals(names, *state_->names);
    replan();
}

void LibraryDialog::set_key(int signal_row, int key_code) {
    if (signal_row < 0 || static_cast<std::size_t>(signal_row) >= state_->mapping.size()) return;
    std::string why;
    if (!library::assign(state_->mapping, static_cast<std::size_t>(signal_row), key_code, why)) {
        note->setText(text_of(why));
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
    signal_table->setRowCount(static_cast<int>(plan.keys.size()));
    for (int row = 0; row < static_cast<int>(plan.keys.size()); ++row) {
        const library::ImportKey& k = plan.keys[static_cast<std::size_t>(row)];
        signal_table->setItem(row, 0, new QTableWidgetItem(text_of(k.signal)));
        auto* choice = new QComboBox(signal_table);
        choice->addItem(QCoreApplication::translate("LibraryDialog", "（不导入）"), -1);
        for (const KeyInfo& info : kKeyTable) {
            if (!library::learnable_key(info.code)) continue;
            choice->addItem(text_of(library::key_label(info.code)), info.code);
        }
        choice->setCurrentIndex(std::max(0, choice->findData(k.key_code)));
        connect(choice, &QComboBox::activated, this,
                [this, row, choice](int index) { set_key(row, choice->itemData(index).toInt()); });
        signal_table->setCellWidget(row, 1, choice);
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
        signal_table->setItem(row, 2, new QTableWidgetItem(result));
    }
    QStringList replaced;
    for (const int code : plan.replaced()) replaced << text_of(library::key_label(code));
    replaced_label->setText(replaced.isEmpty()
                                ? QString()
                                : QCoreApplication::translate("LibraryDialog", "将被替换的按键：") +
                                      replaced.join(QStringLiteral("、")));
    import_button->setEnabled(plan.learned_count() > 0);
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
