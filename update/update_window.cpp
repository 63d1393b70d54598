#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QResource>
#include <QStackedWidget>
#include <QStringDecoder>
#include <QTableWidget>
#include <QVBoxLayout>
#include <chrono>
#include <limits>
#include <string_view>

#include "common/vendor_host.h"
#include "prompter/interface_language.h"
#include "prompter/localized_picture.h"
#include "prompter/prompter.h"
#include "update/clickable_picture.h"
#include "update/config_date.h"
#include "update/configuration_check.h"
#include "update/configuration_fetch.h"
#include "update/connection_probe.h"
#include "update/digest.h"
#include "update/file_download.h"
#include "update/file_list.h"
#include "update/staged_install.h"
#include "update/staged_manifest.h"
#include "update/update_urls.h"
#include "update/update_window_impl.h"

namespace orvalin::update {
namespace {

const QString kResourceLibrary = QStringLiteral("voredirav44.dll");
const QString kResourceRoot = QStringLiteral("/voredirav44");
const QString kAnimation = QStringLiteral(":/voredirav44/linkflash");
const char* const kNoServer = QT_TRANSLATE_NOOP("Tupdate", "没有可用的升级服务器！");
const char* const kFetchFailed = QT_TRANSLATE_NOOP("Tupdate", "获得升级配置文件出错！");
const char* const kUnsigned = QT_TRANSLATE_NOOP("Tupdate", "升级配置文件没有签名，不能升级！");
const char* const kBadSignature =
    QT_TRANSLATE_NOOP("Tupdate", "升级配置文件的签名不对，不能升级！");
const char* const kRestart = QT_TRANSLATE_NOOP("Tupdate", "需要重新启动程序，升级才能完成！");
const char* const kNothingInstalled = QT_TRANSLATE_NOOP("Tupdate", "升级失败，没有安装任何文件：");

// A text of this window, marked for the translation, in the interface's language.
QString ui_text(const char* s) {
    return QCoreApplication::translate("Tupdate", s);
}

// Configuration texts are UTF-8, or GBK from servers of the original program.
QString decode_text(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return s;
    QStringDecoder gbk("GB18030");
    if (gbk.isValid())
        return gbk(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(ui_text(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLabel* picture(QLabel* label, const char* name, const QString& resource) {
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(QPixmap(ui::localized_picture(resource)));
    return label;
}

}  // namespace

void run_update_window(QWidget* parent, const QString& program_dir) {
    Tupdate window(parent, program_dir);
    window.exec();
}

Tupdate::Tupdate(QWidget* parent, const QString& program_dir, UpdateWindowOptions options)
    : QDialog(parent), options_(options), http_(options.http) {
    program_dir_ = program_dir;
    if (!program_dir_.isEmpty() && !program_dir_.endsWith(QLatin1Char('/')))
        program_dir_ += QLatin1Char('/');
    build_pages();
    FormCreate();
}

Tupdate::~Tupdate() {
    if (net_thread_) {
        net_thread_->requestInterruption();
        net_thread_->wait();
    }
    // The animation is a temporary copy of this window's own.
    if (movie_ != nullptr) movie_->setFileName(QString());
    if (!swf_.isEmpty()) ::unlink(QFile::encodeName(swf_).constData());
}

void Tupdate::FormCreate() {
    net_ok_ = false;
    server_chosen_ = false;
    update_list_.clear();
}

void Tupdate::build_pages() {
    setObjectName(QStringLiteral("update"));
    setWindowTitle(QCoreApplication::translate("Tupdate", "升级"));
    auto* root = new QHBoxLayout(this);
    Image1 = picture(new QLabel(this), "Image1", QStringLiteral(":/window/update_Image1"));
    root->addWidget(Image1, 0, Qt::AlignTop);
    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    root->addWidget(Notebook1, 1);

    build_server_page();
    build_files_page();
    build_link_page();
    Notebook1->addWidget(Default);    // index 0
    Notebook1->addWidget(next_page);  // index 1
    Notebook1->addWidget(linkstate);  // index 2
    Notebook1->setCurrentIndex(2);
    resize(560, 340);
    connect_buttons();
}

// Page 0 "Default": choice of server.
void Tupdate::build_server_page() {
    Default = new QWidget(Notebook1);
    Default->setObjectName(QStringLiteral("Default"));
    auto* v = new QVBoxLayout(Default);
    Label1 = new QLabel(QCoreApplication::translate("Tupdate", "选择服务器"), Default);
    Label1->setObjectName(QStringLiteral("Label1"));
    ListBox1 = new QListWidget(Default);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    choose_button = button(Default, "Button6", QT_TRANSLATE_NOOP("Tupdate", "下一步"));
    server_exit_button = button(Default, "Button8", QT_TRANSLATE_NOOP("Tupdate", "退出"));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(choose_button);
    row->addWidget(server_exit_button);
    v->addWidget(Label1);
    v->addWidget(ListBox1, 1);
    v->addLayout(row);
}

// Page 1 "next_page": files, progress and the upgrade.
void Tupdate::build_files_page() {
    next_page = new QWidget(Notebook1);
    next_page->setObjectName(QStringLiteral("next_page"));
    auto* v = new QVBoxLayout(next_page);
    StringGrid1 = new QTableWidget(2, 2, next_page);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Label2 = new QLabel(QCoreApplication::translate("Tupdate", "升级进度"), next_page);
    Label2->setObjectName(QStringLiteral("Label2"));
    ProgressBar1 = new QProgressBar(next_page);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    back_button = button(next_page, "Button1", QT_TRANSLATE_NOOP("Tupdate", "上一步"));
    back_button->hide();
    upgrade_button = button(next_page, "Button2", QT_TRANSLATE_NOOP("Tupdate", "升级"));
    abort_button = button(next_page, "Button3", QT_TRANSLATE_NOOP("Tupdate", "中断"));
    files_exit_button = button(next_page, "Button4", QT_TRANSLATE_NOOP("Tupdate", "退出"));
    auto* row = new QHBoxLayout;
    row->addWidget(back_button);
    row->addStretch(1);
    row->addWidget(upgrade_button);
    row->addWidget(abort_button);
    row->addWidget(files_exit_button);
    v->addWidget(StringGrid1, 1);
    v->addWidget(Label2);
    v->addWidget(ProgressBar1);
    v->addLayout(row);
}

// Page 2 "linkstate": the connection test.
void Tupdate::build_link_page() {
    linkstate = new QWidget(Notebook1);
    linkstate->setObjectName(QStringLiteral("linkstate"));
    auto* v = new QVBoxLayout(linkstate);
    ShockwaveFlash1 = new QLabel(linkstate);
    ShockwaveFlash1->setObjectName(QStringLiteral("ShockwaveFlash1"));
    ShockwaveFlash1->setAlignment(Qt::AlignCenter);
    Image2 = new ClickablePicture(linkstate);
    picture(Image2, "Image2", QStringLiteral(":/window/update_Image2"));
    Image3 = picture(new QLabel(linkstate), "Image3", QStringLiteral(":/window/update_Image3"));
    labnetlink = new QLabel(linkstate);
    labnetlink->setObjectName(QStringLiteral("labnetlink"));
    labnetlink->setAlignment(Qt::AlignCenter);
    fetch_button = button(linkstate, "Button5", QT_TRANSLATE_NOOP("Tupdate", "下一步"));
    link_exit_button = button(linkstate, "Button7", QT_TRANSLATE_NOOP("Tupdate", "退出"));
    undo_button =
        new QPushButton(QCoreApplication::translate("Tupdate", "撤销上次升级"), linkstate);
    undo_button->setObjectName(QStringLiteral("undo_button"));
    undo_button->setVisible(
        rollback_available(InstallFolders::for_program(program_path(), options_.folders)));
    auto* row = new QHBoxLayout;
    row->addWidget(undo_button);
    row->addStretch(1);
    row->addWidget(fetch_button);
    row->addWidget(link_exit_button);
    v->addWidget(ShockwaveFlash1, 1, Qt::AlignCenter);
    v->addWidget(Image2, 1, Qt::AlignCenter);
    v->addWidget(Image3, 1, Qt::AlignCenter);
    v->addWidget(labnetlink);
    v->addLayout(row);
}

void Tupdate::connect_buttons() {
    for (QPushButton* exit : {link_exit_button, server_exit_button, files_exit_button})
        connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(Image2, &ClickablePicture::clicked, this, &QDialog::reject);
    connect(fetch_button, &QPushButton::clicked, this, [this] { fetch_clicked(); });
    connect(choose_button, &QPushButton::clicked, this, [this] { choose_clicked(); });
    connect(upgrade_button, &QPushButton::clicked, this, [this] { upgrade_clicked(); });
    connect(abort_button, &QPushButton::clicked, this, [this] { abort_clicked(); });
    connect(undo_button, &QPushButton::clicked, this, [this] { undo_clicked(); });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
}

void Tupdate::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    FormShow();
}

bool Tupdate::extract_animation(const QString& swf) {
    QString library =
        QString::fromStdString(data_file(program_dir_.toStdString(), kResourceLibrary.toStdString(),
                                         options_.folders.data.empty() ? std::filesystem::path()
                                                                       : options_.folders.overlay())
                                   .string());
    // The English interface shows the English animation when it is there.
    if (const QString english = ui::localized_library_dir(program_dir_) + kResourceLibrary;
        app::interface_language() == "en" && QFileInfo(english).isFile())
        library = english;
    if (!QResource::registerResource(library, kResourceRoot)) return false;
    QFile source(kAnimation);
    bool ok = source.open(QIODevice::ReadOnly);
    const QByteArray data = ok ? source.readAll() : QByteArray();
    source.close();
    // Read once per opening; keeping the bundle mapped would pin the first copy found.
    QResource::unregisterResource(library, kResourceRoot);
    if (!ok || data.isEmpty()) return false;
    // A name left from before (or planted) is removed, never written through.
    const QByteArray name = QFile::encodeName(swf);
    ::unlink(name.constData());
    return write_new_file(
        name.toStdString(),
        std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
}

void Tupdate::FormShow() {
    if (!options_.publisher_key) {
        // Nothing to fetch: no configuration could ever be accepted.
        ShockwaveFlash1->hide();
        Image2->hide();
        Image3->hide();
        labnetlink->setWordWrap(true);
        labnetlink->setText(QCoreApplication::translate(
            "Tupdate",
            "这个版本的程序编译时没有设置发布者公钥，不接受在线升级。\n"
            "维护者设置公钥的方法见 README 的“Serving updates yourself”一节。"));
        fetch_button->setEnabled(false);
        Notebook1->setCurrentIndex(2);
        test_done_ = true;
        emit connection_tested(false);
        return;
    }
    // "78.swf" in a private folder (the user's runtime folder, else one of its own):
    // the program folder may not be writable, and two running programs must not
    // share one copy.
    temp_folder_ = std::make_unique<PrivateFolder>(options_.folders.runtime);
    swf_ = temp_folder_->path().empty()
               ? QString()
               : QString::fromStdString(temp_folder_->path().string()) +
                     QStringLiteral("/orvalin-%1-78.swf").arg(QCoreApplication::applicationPid());
    if (swf_.isEmpty() || !extract_animation(swf_)) {
        ui::plain_message(this, QCoreApplication::translate("Tupdate", "升级失败！"));
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    movie_ = new QMovie(swf_, "gif", this);
    ShockwaveFlash1->setMovie(movie_);
    ShockwaveFlash1->show();
    movie_->start();

    Image3->hide();
    Image2->hide();
    labnetlink->setText(QCoreApplication::translate("Tupdate", "正在连接服务器！"));
    fetch_button->setEnabled(false);

    const QString url = QString::fromStdString(vendor_base_url(vendor_host()));
    net_thread_ = std::make_unique<testnet>(url, options_.connected_linger);
    connect(net_thread_.get(), &QThread::finished, this, &Tupdate::net_thread_done,
            Qt::QueuedConnection);
    net_thread_->start();

    Notebook1->setCurrentIndex(2);
    abort_requested_ = false;
}

void Tupdate::net_thread_done() {
    net_ok_ = net_thread_ && net_thread_->net_ok();
    ShockwaveFlash1->hide();
    fetch_button->setEnabled(true);
    if (movie_ != nullptr) movie_->stop();
    const bool ok = net_ok_;
    if (ok) {
        labnetlink->setText(QCoreApplication::translate("Tupdate", "连接服务器成功！"));
        Image2->show();
        net_ok_ = false;
    } else {
        labnetlink->setText(QCoreApplication::translate("Tupdate", "连接服务器失败！"));
        Image3->show();
    }
    test_done_ = true;
    emit connection_tested(ok);
    QApplication::processEvents();
}

bool Tupdate::refuse_configuration(const QString& why) {
    update_config_.reset();
    offer_ = {};
    ListBox1->clear();
    server_names_.clear();
    ui::plain_message(this, why);
    choose_button->setEnabled(false);
    return false;
}

void Tupdate::fetch_clicked() {
    if (busy_) return;
    busy_ = true;
    const std::filesystem::path dir = staging_dir();
    const QString ini = QString::fromStdString((dir / "update.ini").string());
    const QString sig = ini + QStringLiteral(".sig");
    bool ok = !dir.empty() && QDir().mkpath(QString::fromStdString(dir.string()));
    for (const QString& old : {ini, sig})
        if (ok && QFile::exists(old)) ok = QFile::remove(old);

    FetchedConfiguration fetched;
    if (ok) fetched = fetch_configuration(http_, vendor_host(), this);
    ok = ok && fetched.ok;
    std::string& body = fetched.body;
    std::string& signature = fetched.signature;
    busy_ = false;
    if (closing_) return;
    if (!ok) {
        refuse_configuration(ui_text(kFetchFailed));
        return;
    }
    if (!options_.publisher_key) {
        refuse_configuration(ui_text(kFetchFailed));
        return;
    }
    // Signed, offering data files only, and new: old configurations replayed, or
    // changed under a serial used already, are refused.
    const auto accepted = read_accepted_release(dir);
    CheckedConfiguration checked =
        check_configuration(body, signature, *options_.publisher_key, accepted, now_seconds());
    switch (checked.verdict) {
        case ConfigVerdict::accepted:
            break;
        case ConfigVerdict::unsigned_config:
            refuse_configuration(kUnsigned);
            return;
        case ConfigVerdict::bad_signature:
            refuse_configuration(kBadSignature);
            return;
        case ConfigVerdict::unsound_offer:
            refuse_configuration(QString::fromStdString(checked.offer.refusal));
            return;
        case ConfigVerdict::stale:
            refuse_configuration(release_refusal(checked.release_check, checked.release, accepted));
            return;
    }
    const Release& release = checked.release;
    if ((!accepted || release.serial > accepted->serial) &&
        !write_accepted_release(dir, {release.serial, sha256_hex(body)})) {
        refuse_configuration(ui_text(kFetchFailed));
        return;
    }
    UpdateConfig config = std::move(checked.config);
    Offer offer = std::move(checked.offer);
    signed_body_ = body;
    signed_signature_ = signature;
    body += '\n';
    for (const auto& [path, text] : {std::pair{ini, &body}, std::pair{sig, &signature}}) {
        QFile out(path);
        ok = ok && out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (ok) {
            ok = out.write(text->data(), static_cast<qint64>(text->size())) ==
                 static_cast<qint64>(text->size());
            out.close();
            ok = ok && out.error() == QFileDevice::NoError;
        }
    }
    if (!ok) {
        refuse_configuration(ui_text(kFetchFailed));
        return;
    }
    update_config_ = std::move(config);
    offer_ = std::move(offer);
    ListBox1->clear();
    server_names_.clear();
    for (const auto& [key, url] : update_config_->servers) {
        server_names_ << decode_text(key);
        ListBox1->addItem(server_names_.back());
    }
    choose_button->setEnabled(true);
    Notebook1->setCurrentIndex(0);
}

QString Tupdate::release_refusal(ReleaseCheck check, const Release& release,
                                 const std::optional<AcceptedRelease>& accepted) const {
    switch (check) {
        case ReleaseCheck::missing:
            return QCoreApplication::translate(
                "Tupdate", "升级配置文件没有版本号和有效期，需要服务器重新签名，不能升级！");
        case ReleaseCheck::malformed:
            return QCoreApplication::translate(
                "Tupdate", "升级配置文件的版本号或有效期格式不对，需要服务器重新签名，不能升级！");
        case ReleaseCheck::older:
            return QCoreApplication::translate("Tupdate",
                                               "升级配置文件的版本号 %1 比已经接受过的 %2 "
                                               "旧，可能是重放的旧配置，不能升级！")
                .arg(release.serial)
                .arg(accepted ? accepted->serial : 0);
        case ReleaseCheck::replayed:
            return QCoreApplication::translate(
                       "Tupdate", "升级配置文件的版本号 %1 已经用过，但内容不同，不能升级！")
                .arg(release.serial);
        case ReleaseCheck::expired:
            return QCoreApplication::translate("Tupdate",
                                               "升级配置文件已经过期（有效期到 %1），不能升级！")
                .arg(QString::fromStdString(utc_text(release.expires)));
        case ReleaseCheck::fresh:
            break;
    }
    return {};
}

void Tupdate::ListBox1Click() {
    const auto* item = ListBox1->currentItem();
    if (item == nullptr) return;
    server_name_ = item->text();
    server_chosen_ = true;
}

void Tupdate::choose_clicked() {
    if (ListBox1->count() == 0 || !update_config_) {
        ui::plain_message(this, ui_text(kNoServer));
        return;
    }
    StringGrid1->setItem(0, 0,
                         new QTableWidgetItem(QCoreApplication::translate("Tupdate", "软件名称")));
    StringGrid1->setItem(0, 1,
                         new QTableWidgetItem(QCoreApplication::translate("Tupdate", "状态")));
    if (!server_chosen_) server_name_ = ListBox1->item(0)->text();
    QString url;
    for (qsizetype i = 0; i < server_names_.size(); ++i) {
        if (server_names_[i] == server_name_) {
            url = decode_text(update_config_->servers[static_cast<std::size_t>(i)].second);
            break;
        }
    }
    server_name_ = url;

    update_list_.clear();
    listed_.clear();
    const auto list = build_file_list(
        offer_.files, program_dir_.toStdString(),
        options_.folders.data.empty() ? std::filesystem::path() : options_.folders.overlay(),
        [](const std::string& date) { return parse_config_date(QString::fromStdString(date)); });
    for (const auto& e : list.entries) {
        const int row = StringGrid1->rowCount() - 1;
        StringGrid1->insertRow(StringGrid1->rowCount());
        StringGrid1->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(e.name)));
        StringGrid1->setItem(
            row, 1, new QTableWidgetItem(QCoreApplication::translate("Tupdate", "未升级")));
        update_list_ << QString::fromStdString(e.name) + QLatin1Char('|') + QString::number(e.size);
        listed_.push_back(e);
    }
    upgrade_button->setEnabled(!update_list_.isEmpty());
    abort_button->setEnabled(false);
    Notebook1->setCurrentIndex(1);
}

void Tupdate::set_status(int row, const QString& text) {
    StringGrid1->setItem(row, 1, new QTableWidgetItem(text));
}

void Tupdate::upgrade_clicked() {
    if (busy_) return;
    busy_ = true;
    // Pressing "升级" again during a download would start a second run inside the first.
    upgrade_button->setEnabled(false);
    abort_button->setEnabled(true);
    const std::filesystem::path dir = staging_dir();
    // An update staged earlier and not yet installed gives way to this one.
    std::error_code ignored;
    drop_staged_update(dir);
    const bool ok_so_far = !std::filesystem::exists(dir / kManifestName, ignored);
    // Only web addresses: a base URL of another kind or none at all fails every file.
    const bool base_ok = server_name_.startsWith(QLatin1String("http://")) ||
                         server_name_.startsWith(QLatin1String("https://"));
    std::vector<StagedEntry> verified;
    QStringList reasons;
    int processed = 0;
    for (std::size_t i = 0; i < listed_.size() && !closing_; ++i) {
        const OfferedFile& f = listed_[i];
        const QString file = QString::fromStdString(f.file);
        FileDownload download;
        if (base_ok) {
            abort_requested_ = false;
            download = download_offered_file(http_, server_name_.toStdString(), dir, f, this);
        }
        QApplication::processEvents();
        if (closing_) break;
        ++processed;
        const bool ok = download.ok();
        if (!base_ok || !download.http.ok || !download.written) {
            reasons << QCoreApplication::translate("Tupdate", "“%1”下载失败").arg(file);
        } else {
            switch (download.check) {
                case DownloadCheck::matches:
                    break;
                case DownloadCheck::missing:
                    reasons << QCoreApplication::translate("Tupdate", "“%1”下载失败").arg(file);
                    break;
                case DownloadCheck::size_differs:
                    reasons << QCoreApplication::translate("Tupdate", "“%1”的大小与签名的不符")
                                   .arg(file);
                    break;
                case DownloadCheck::hash_differs:
                    reasons << QCoreApplication::translate("Tupdate",
                                                           "“%1”的内容与签名的校验值不符")
                                   .arg(file);
                    break;
            }
        }
        set_status(static_cast<int>(i) + 1,
                   ok ? QCoreApplication::translate("Tupdate", "升级成功")
                      : QCoreApplication::translate("Tupdate", "升级失败"));
        if (ok) verified.push_back({f.file, f.size, f.sha256});
    }
    // All or nothing: an update is staged only when every one of its files passed.
    const bool complete = !closing_ && processed > 0 && verified.size() == listed_.size() &&
                          ok_so_far && stage_update(dir, signed_body_, signed_signature_, verified);
    if (!complete) {
        for (const auto& f : listed_) std::filesystem::remove(dir / f.file, ignored);
        if (reasons.isEmpty() && processed > 0)
            reasons << QCoreApplication::translate("Tupdate", "不能保存下载的文件");
    }
    upgrade_button->setText(QCoreApplication::translate("Tupdate", "完成"));
    upgrade_button->setEnabled(false);
    abort_button->setEnabled(false);
    busy_ = false;
    if (closing_) return;
    if (complete)
        ui::box(this, ui_text(kRestart));
    else if (processed > 0)
        ui::box(this, ui_text(kNothingInstalled) + QStringLiteral("\r\n") +
                          reasons.join(QStringLiteral("\r\n")));
}

void Tupdate::abort_clicked() {
    abort_requested_ = true;
}

void Tupdate::undo_clicked() {
    if (busy_) return;
    std::string why;
    if (roll_back_last_install(InstallFolders::for_program(program_path(), options_.folders),
                               &why)) {
        undo_button->hide();
        ui::plain_message(this, QCoreApplication::translate(
                                    "Tupdate", "已撤销上次升级，需要重新启动程序才能完成！"));
    } else {
        ui::plain_message(this, QCoreApplication::translate("Tupdate", "不能撤销上次升级：%1")
                                    .arg(QString::fromStdString(why)));
    }
}

void Tupdate::IdHTTP1WorkBegin(std::int64_t expected) {
    abort_requested_ = false;
    if (expected < 0) expected = 0;
    progress_scale_ = expected / std::numeric_limits<int>::max() + 1;
    ProgressBar1->setMaximum(static_cast<int>(expected / progress_scale_));
    ProgressBar1->setValue(0);
}

bool Tupdate::IdHTTP1Work(std::int64_t done) {
    if (abort_requested_ || closing_) return false;
    const std::int64_t value = done / progress_scale_;
    if (value <= ProgressBar1->maximum()) ProgressBar1->setValue(static_cast<int>(value));
    QApplication::processEvents();
    return !abort_requested_ && !closing_;
}

void Tupdate::IdHTTP1WorkEnd() {
    ProgressBar1->setValue(0);
}

bool Tupdate::idle() {
    QApplication::processEvents();
    return !abort_requested_ && !closing_;
}

void Tupdate::done(int result) {
    // Closing during a transfer ends it; the running handler then stops.
    if (busy_) {
        closing_ = true;
        abort_requested_ = true;
    }
    if (movie_ != nullptr) movie_->stop();
    QDialog::done(result);
}

}  // namespace orvalin::update
