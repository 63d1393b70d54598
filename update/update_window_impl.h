// The update window Tupdate: three pages in Notebook1 (2 "linkstate": connection
// test; 0 "Default": choice of server; 1 "next_page": files and download).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/data_files.h"
#include "update/http_client.h"
#include "update/private_files.h"
#include "update/publisher_key.h"
#include "update/release.h"
#include "update/signature.h"
#include "update/signed_offer.h"
#include "update/update_config.h"
#include "update/update_window.h"

class QLabel;
class QListWidget;
class QMovie;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableWidget;

namespace orvalin::update {

class ClickablePicture;
class testnet;

struct UpdateWindowOptions {
    // How long a successful connection test lets the animation run on.
    std::chrono::milliseconds connected_linger{2000};
    HttpOptions http;
    // Whose signature the configuration must carry; tests bring a key of their own.
    // None: this build takes no online updates.
    std::optional<PublicKey> publisher_key = built_in_publisher_key();
    // Staging, overlay and runtime folders of the user.
    UserFolders folders = UserFolders::from_environment();
};

class Tupdate : public QDialog, private TransferObserver {
    Q_OBJECT
  public:
    Tupdate(QWidget* parent, const QString& program_dir, UpdateWindowOptions options = {});
    ~Tupdate() override;

    // Components; each keeps its form name as objectName.
    QLabel* Image1 = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QWidget* Default = nullptr;
    QWidget* next_page = nullptr;
    QWidget* linkstate = nullptr;
    QLabel* ShockwaveFlash1 = nullptr;
    QLabel* labnetlink = nullptr;
    ClickablePicture* Image2 = nullptr;
    QLabel* Image3 = nullptr;
    QPushButton* fetch_button = nullptr;      // Button5 "下一步": fetch the configuration
    QPushButton* link_exit_button = nullptr;  // Button7 "退出"
    QPushButton* undo_button = nullptr;       // undoes the last update, when one is kept
    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* choose_button = nullptr;       // Button6 "下一步": list the files
    QPushButton* server_exit_button = nullptr;  // Button8 "退出"
    QTableWidget* StringGrid1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* back_button = nullptr;        // Button1 "上一步", hidden
    QPushButton* upgrade_button = nullptr;     // Button2 "升级"
    QPushButton* abort_button = nullptr;       // Button3 "中断"
    QPushButton* files_exit_button = nullptr;  // Button4 "退出"

    // Handlers.
    void FormShow();
    void fetch_clicked();
    void ListBox1Click();
    void choose_clicked();
    void upgrade_clicked();
    void abort_clicked();
    void undo_clicked();
    void IdHTTP1WorkBegin(std::int64_t expected);
    bool IdHTTP1Work(std::int64_t done);
    void IdHTTP1WorkEnd();

    // State, readable by tests.
    const QString& program_dir() const { return program_dir_; }
    const QString& server_name() const { return server_name_; }
    bool server_chosen() const { return server_chosen_; }
    const QStringList& update_list() const { return update_list_; }
    bool abort_requested() const { return abort_requested_; }
    bool connection_test_done() const { return test_done_; }
    // The last connection test's result as its completion handler leaves it.
    bool net_ok() const { return net_ok_; }
    QMovie* animation() const { return movie_; }
    // The extracted connecting animation, in the user's runtime folder.
    const QString& animation_file() const { return swf_; }

  signals:
    // The connection test has ended and its outcome is shown.
    void connection_tested(bool ok);

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void FormCreate();
    void build_pages();
    void build_server_page();
    void build_files_page();
    void build_link_page();
    void connect_buttons();
    void net_thread_done();
    bool extract_animation(const QString& swf);
    std::filesystem::path staging_dir() const { return options_.folders.staging(); }
    bool refuse_configuration(const QString& why);
    QString release_refusal(ReleaseCheck check, const Release& release,
                            const std::optional<AcceptedRelease>& accepted) const;
    std::filesystem::path program_path() const { return program_dir_.toStdString(); }
    void set_status(int row, const QString& text);

    // TransferObserver: the HTTP client's events.
    bool idle() override;
    void work_begin(std::int64_t expected) override { IdHTTP1WorkBegin(expected); }
    bool work(std::int64_t done) override { return IdHTTP1Work(done); }
    void work_end() override { IdHTTP1WorkEnd(); }

    bool net_ok_ = false;  // the last connection test's result
    UpdateWindowOptions options_;
    QString program_dir_;
    std::optional<UpdateConfig> update_config_;
    Offer offer_;                      // what the signed configuration offers
    std::vector<OfferedFile> listed_;  // the files of update_list_, in its order
    QStringList server_names_;         // ListBox1's items, decoded, in the configuration's order
    bool server_chosen_ = false;
    QString server_name_;
    QStringList update_list_;
    bool abort_requested_ = false;
    std::unique_ptr<testnet> net_thread_;
    bool test_done_ = false;
    QMovie* movie_ = nullptr;
    std::unique_ptr<PrivateFolder> temp_folder_;
    QString swf_;
    std::string signed_body_;       // the accepted configuration, exactly as signed
    std::string signed_signature_;  // and its signature
    HttpClient http_;
    bool shown_once_ = false;
    bool busy_ = false;     // a blocking transfer is running on this thread
    bool closing_ = false;  // the window was closed during a transfer
    std::int64_t progress_scale_ = 1;
};

}  // namespace orvalin::update
