// The utility's one window: its controls (from the layout table) and its event handlers.
//
// The handlers stay thin: the data work is clsProd's, the repairs are the Repair command's; the
// window provides what they read (RepairView) and shows what they report.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "data/clsProd.h"
#include "platform/host.h"
#include "repair/dispatch.h"
#include "ui/widgets.h"

namespace ornetta::ui {

// What the database chooser shows; the answer is the chosen path, or "" when cancelled.
struct FileDialogRequest {
  QString title, filter, file_name, initial_folder;
};
using FileChooser = std::function<QString(QWidget* parent, const FileDialogRequest&)>;
using UrlOpener = std::function<void(const QString& url)>;

FileChooser DefaultFileChooser();
UrlOpener DefaultUrlOpener();

class frmRepairCompact : public QWidget, public repair::RepairView {
  Q_OBJECT
 public:
  explicit frmRepairCompact(platform::Host& host, QWidget* parent = nullptr);
  ~frmRepairCompact() override;

  void set_file_chooser(FileChooser chooser) { choose_file_ = std::move(chooser); }
  void set_url_opener(UrlOpener opener) { open_url_ = std::move(opener); }
  void set_access_factory(repair::AccessApplicationFactory factory);

  // Start-up: creates objProd, finds and opens the year database, shows its path. Failures it
  // cannot go on from are reported and end the program (through the host).
  void Form_Load();

  // The controls, by their names.
  QRadioButton* optDBRepair() const { return optDBRepair_w; }
  QRadioButton* OptSQL() const { return OptSQL_w; }
  QRadioButton* optScreenProb() const { return optScreenProb_w; }
  QRadioButton* optsysDate() const { return optsysDate_w; }
  QPushButton* cmdOK() const { return cmdOK_w; }
  QPushButton* cmdExit() const { return cmdExit_w; }
  QPushButton* cmdSelectDB() const { return cmdSelectDB_w; }
  QLineEdit* txtSQL() const { return txtSQL_w; }
  QLineEdit* txtCurrDB() const { return txtCurrDB_w; }
  ClickableLabel* Label1() const { return Label1_w; }
  ClickableLabel* Label2() const { return Label2_w; }
  ClickableLabel* Label3() const { return Label3_w; }
  ClickableLabel* Label4() const { return Label4_w; }
  PictureWidget* imgDBProblem() const { return imgDBProblem_w; }
  PictureWidget* imgScrProb() const { return imgScrProb_w; }
  PictureWidget* imgSysDateProb() const { return imgSysDateProb_w; }
  PictureWidget* imgSQLQuery() const { return imgSQLQuery_w; }
  clsProd* objProd() const { return objProd_.get(); }
  bool repair_running() const { return in_command_; }

  // RepairView: what the Repair command reads.
  bool Selected(repair::Option option) const override;
  std::string txtSQLText() const override;
  std::string txtCurrDBText() const override;

  // Event handlers.
  void cmdOK_Click();
  void cmdExit_Click();
  void cmdSelectDB_Click();
  void Label3_Click();
  void OptSQL_Click();

 protected:
  void showEvent(QShowEvent* event) override;  // the first one centres the window on its screen
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void Form_Unload();
  void MarkDatabaseMissing();

  platform::Host& host_;
  std::unique_ptr<clsProd> objProd_;
  std::unique_ptr<repair::RepairCommand> command_;
  repair::AccessApplicationFactory access_factory_;
  FileChooser choose_file_ = DefaultFileChooser();
  UrlOpener open_url_ = DefaultUrlOpener();
  bool in_command_ = false;
  bool close_after_repair_ = false;
  bool placed_ = false;

  QRadioButton *optDBRepair_w = nullptr, *OptSQL_w = nullptr, *optScreenProb_w = nullptr, *optsysDate_w = nullptr;
  QPushButton *cmdOK_w = nullptr, *cmdExit_w = nullptr, *cmdSelectDB_w = nullptr;
  QLineEdit *txtSQL_w = nullptr, *txtCurrDB_w = nullptr;
  ClickableLabel *Label1_w = nullptr, *Label2_w = nullptr, *Label3_w = nullptr, *Label4_w = nullptr;
  PictureWidget *imgDBProblem_w = nullptr, *imgScrProb_w = nullptr, *imgSysDateProb_w = nullptr,
                *imgSQLQuery_w = nullptr;
};

}  // namespace ornetta::ui
