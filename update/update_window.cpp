#include <QApplication>
#include <QDir>
#include <QFile>
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
#include <limits>

#include "common/vendor_host.h"
#include "prompter/prompter.h"
#include "update/clickable_picture.h"
#include "update/config_date.h"
#include "update/connection_test.h"
#include "update/download_sink.h"
#include "update/file_list.h"
#include "update/staged_manifest.h"
#include "update/update_window_impl.h"

namespace orvalin::update {
namespace {

const QString kResourceLibrary = QStringLiteral("voredirav44.dll");
const QString kResourceRoot = QStringLiteral("/voredirav44");
const QString kAnimation = QStringLiteral(":/voredirav44/linkflash");
const QString kNoServer = QStringLiteral("没有可用的升级服务器！");

QString tr8(const char* s) {
    return QString::fromUtf8(s);
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
    auto* b = new QPushButton(tr8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLabel* picture(QLabel* label, const char* name, const QString& resource) {
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(QPixmap(resource));
    return label;
}

}  // namespace

void run_update_window(QWidget* parent, const QString& program_dir, bool& net_ok) {
    Tupdate window(parent, program_dir, net_ok);
    window.exec();
}

Tupdate::Tupdate(QWidget* parent, const QString& program_dir, bool& net_ok,
                 UpdateWindowOptions options)
    : QDialog(parent), net_ok_(net_ok), options_(options), http_(options.http) {
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
}

void Tupdate::FormCreate() {
    net_ok_ = false;
    server_chosen_ = false;
    update_list_.clear();
}

void Tupdate::build_pages() {
    setObjectName(QStringLiteral("update"));
    setWindowTitle(tr8("升级"));
    auto* root = new QHBoxLayout(this);
    Image1 = picture(new QLabel(this), "Image1", QStringLiteral(":/window/update_Image1"));
    root->addWidget(Image1, 0, Qt::AlignTop);
    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    root->addWidget(Notebook1, 1);

    // Page 0 "Default": choice of server.
    Default = new QWidget(Notebook1);
    Default->setObjectName(QStringLiteral("Default"));
    {
        auto* v = new QVBoxLayout(Default);
        Label1 = new QLabel(tr8("选择服务器"), Default);
        Label1->setObjectName(QStringLiteral("Label1"));
        ListBox1 = new QListWidget(Default);
        ListBox1->setObjectName(QStringLiteral("ListBox1"));
        Button6 = button(Default, "Button6", "下一步");
        Button8 = button(Default, "Button8", "退出");
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(Button6);
        row->addWidget(Button8);
        v->addWidget(Label1);
        v->addWidget(ListBox1, 1);
        v->addLayout(row);
    }

    // Page 1 "next_page": files, progress and the upgrade.
    next_page = new QWidget(Notebook1);
    next_page->setObjectName(QStringLiteral("next_page"));
    {
        auto* v = new QVBoxLayout(next_page);
        StringGrid1 = new QTableWidget(2, 2, next_page);
        StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
        StringGrid1->horizontalHeader()->hide();
        StringGrid1->verticalHeader()->hide();
        StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
        StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        Label2 = new QLabel(tr8("升级进度"), next_page);
        Label2->setObjectName(QStringLiteral("Label2"));
        ProgressBar1 = new QProgressBar(next_page);
        ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
        ProgressBar1->setRange(0, 100);
        ProgressBar1->setValue(0);
        Button1 = button(next_page, "Button1", "上一步");
        Button1->hide();
        Button2 = button(next_page, "Button2", "升级");
        Button3 = button(next_page, "Button3", "中断");
        Button4 = button(next_page, "Button4", "退出");
        auto* row = new QHBoxLayout;
        row->addWidget(Button1);
        row->addStretch(1);
        row->addWidget(Button2);
        row->addWidget(Button3);
        row->addWidget(Button4);
        v->addWidget(StringGrid1, 1);
        v->addWidget(Label2);
        v->addWidget(ProgressBar1);
        v->addLayout(row);
    }

    // Page 2 "linkstate": the connection test.
    linkstate = new QWidget(Notebook1);
    linkstate->setObjectName(QStringLiteral("linkstate"));
    {
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
        Button5 = button(linkstate, "Button5", "下一步");
        Button7 = button(linkstate, "Button7", "退出");
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(Button5);
        row->addWidget(Button7);
        v->addWidget(ShockwaveFlash1, 1, Qt::AlignCenter);
        v->addWidget(Image2, 1, Qt::AlignCenter);
        v->addWidget(Image3, 1, Qt::AlignCenter);
        v->addWidget(labnetlink);
        v->addLayout(row);
    }
    Notebook1->addWidget(Default);    // index 0
    Notebook1->addWidget(next_page);  // index 1
    Notebook1->addWidget(linkstate);  // index 2
    Notebook1->setCurrentIndex(2);
    resize(560, 340);

    for (QPushButton* exit : {Button7, Button8, Button4})
        connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(Image2, &ClickablePicture::clicked, this, &QDialog::reject);
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
}

void Tupdate::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    FormShow();
}

bool Tupdate::extract_animation(const QString& swf) {
    const QString library = program_dir_ + kResourceLibrary;
    if (!QResource::registerResource(library, kResourceRoot)) return false;
    QFile source(kAnimation);
    bool ok = source.open(QIODevice::ReadOnly);
    const QByteArray data = ok ? source.readAll() : QByteArray();
    source.close();
    // Read once per opening; keeping the bundle mapped would pin the first copy found.
    QResource::unregisterResource(library, kResourceRoot);
    if (!ok || data.isEmpty()) return false;
    QFile out(swf);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    ok = out.write(data) == data.size();
    out.close();
    return ok && out.error() == QFileDevice::NoError;
}

void Tupdate::FormShow() {
    const QString swf = program_dir_ + QStringLiteral("78.swf");
    if (QFile::exists(swf)) QFile::remove(swf);
    if (!extract_animation(swf)) {
        ui::plain_message(this, tr8("升级失败！"));
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    movie_ = new QMovie(swf, "gif", this);
    ShockwaveFlash1->setMovie(movie_);
    ShockwaveFlash1->show();
    movie_->start();

    Image3->hide();
    Image2->hide();
    labnetlink->setText(tr8("正在连接服务器！"));
    Button5->setEnabled(false);

    const QString url = QStringLiteral("http://") + QString::fromStdString(vendor_host());
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
    Button5->setEnabled(true);
    if (movie_ != nullptr) movie_->stop();
    const bool ok = net_ok_;
    if (ok) {
        labnetlink->setText(tr8("连接服务器成功！"));
        Image2->show();
        net_ok_ = false;
    } else {
        labnetlink->setText(tr8("连接服务器失败！"));
        Image3->show();
    }
    test_done_ = true;
    emit connection_tested(ok);
    QApplication::processEvents();
}

void Tupdate::Button5Click() {
    if (busy_) return;
    busy_ = true;
    const QString dir = update_dir();
    const QString ini = dir + QStringLiteral("update.ini");
    bool ok = QDir().mkpath(dir);
    if (ok && QFile::exists(ini)) ok = QFile::remove(ini);
    std::string body;
    if (ok) {
        const std::string url = "http://" + vendor_host() + "/orvalin/update.ini";
        const auto result = http_.get(
            url,
            [&body](const char* data, std::size_t size) {
                if (body.size() + size > kMaxConfigBytes) return false;
                body.append(data, size);
                return true;
            },
            this);
        ok = result.ok;
    }
    if (ok) {
        QFile out(ini);
        ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (ok) {
            body += '\n';
            ok = out.write(body.data(), static_cast<qint64>(body.size())) ==
                 static_cast<qint64>(body.size());
            out.close();
            ok = ok && out.error() == QFileDevice::NoError;
        }
    }
    if (ok) {
        update_config_ = read_update_config(ini.toStdString());
        ok = update_config_.has_value();
    }
    busy_ = false;
    if (closing_) return;
    if (!ok) {
        ui::plain_message(this, tr8("获得升级配置文件出错！"));
        Button6->setEnabled(false);
        return;
    }
    ListBox1->clear();
    server_names_.clear();
    for (const auto& [key, url] : update_config_->servers) {
        server_names_ << decode_text(key);
        ListBox1->addItem(server_names_.back());
    }
    Button6->setEnabled(true);
    Notebook1->setCurrentIndex(0);
}

void Tupdate::ListBox1Click() {
    const auto* item = ListBox1->currentItem();
    if (item == nullptr) return;
    server_name_ = item->text();
    server_chosen_ = true;
}

void Tupdate::Button6Click() {
    if (ListBox1->count() == 0 || !update_config_) {
        ui::plain_message(this, kNoServer);
        return;
    }
    StringGrid1->setItem(0, 0, new QTableWidgetItem(tr8("软件名称")));
    StringGrid1->setItem(0, 1, new QTableWidgetItem(tr8("状态")));
    if (!server_chosen_) server_name_ = ListBox1->item(0)->text();
    QString url;
    for (qsizetype i = 0; i < server_names_.size(); ++i) {
        if (server_names_[i] == server_name_) {
            url = decode_text(update_config_->servers[static_cast<std::size_t>(i)].second);
            break;
        }
    }
    server_name_ = url;

    const auto list = build_file_list(
        update_config_->files, program_dir_.toStdString(),
        [](const std::string& date) { return parse_config_date(QString::fromStdString(date)); });
    for (const auto& e : list.entries) {
        const int row = StringGrid1->rowCount() - 1;
        StringGrid1->insertRow(StringGrid1->rowCount());
        StringGrid1->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(e.name)));
        StringGrid1->setItem(row, 1, new QTableWidgetItem(tr8("未升级")));
        update_list_ << QString::fromStdString(e.name) + QLatin1Char('|') + QString::number(e.size);
    }
    Button2->setEnabled(!update_list_.isEmpty());
    Button3->setEnabled(false);
    Notebook1->setCurrentIndex(1);
}

void Tupdate::set_status(int row, const QString& text) {
    StringGrid1->setItem(row, 1, new QTableWidgetItem(text));
}

void Tupdate::Button2Click() {
    if (busy_) return;
    busy_ = true;
    // Pressing "升级" again during a download would start a second run inside the first.
    Button2->setEnabled(false);
    Button3->setEnabled(true);
    const std::filesystem::path dir = update_dir().toStdString();
    int verified = 0;
    // Only web addresses: a base URL of another kind or none at all fails every file.
    const bool base_ok = server_name_.startsWith(QLatin1String("http://")) ||
                         server_name_.startsWith(QLatin1String("https://"));
    for (qsizetype i = 0; i < update_list_.size() && !closing_; ++i) {
        const QString& entry = update_list_[i];
        const QString name = entry.section(QLatin1Char('|'), 0, 0);
        bool size_ok = false;
        const std::uint64_t size = entry.section(QLatin1Char('|'), 1).toULongLong(&size_ok);
        const std::string file = name.toStdString() + ".dll";

        // A file downloaded again is no longer the verified one until it passes anew.
        bool ok = size_ok && base_ok && forget_staged(dir, file);
        HttpResult result;
        bool sink_ok = false;
        if (ok) {
            DownloadSink sink(dir / file, size);
            abort_requested_ = false;
            result = http_.get(
                server_name_.toStdString() + file,
                [&sink](const char* data, std::size_t n) { return sink.write(data, n); }, this);
            sink_ok = sink.close() && !sink.overflowed() && sink.written() == size;
        }
        QApplication::processEvents();
        if (closing_) break;
        ok = ok && result.ok && sink_ok && record_verified(dir, file, size);
        set_status(static_cast<int>(i) + 1, ok ? tr8("升级成功") : tr8("升级失败"));
        if (ok) ++verified;
    }
    Button2->setText(tr8("完成"));
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    busy_ = false;
    if (verified > 0) ui::box(this, tr8("需要重新启动程序，升级才能完成！"));
}

void Tupdate::Button3Click() {
    abort_requested_ = true;
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
