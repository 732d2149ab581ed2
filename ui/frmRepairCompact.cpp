#include "ui/frmRepairCompact.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QProcess>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <algorithm>

#include "data/values/error.h"
#include "data/values/installation.h"
#include "ui/initial_folder.h"
#include "ui/layout.h"
#include "ui/progress_dialog.h"

// The pictures live in this library's resources, which a static library must load itself.
static void LoadResources() { Q_INIT_RESOURCE(resources); }

namespace ornetta::ui {

namespace {
QString ColourName(const QColor& c) { return c.name(QColor::HexRgb); }

// Button faces are painted in their own colour on every style.
QString ButtonStyle(const ControlSpec& c) {
  return QString(
             "QPushButton { background-color: %1; border: 2px outset %2; color: palette(button-text); }"
             "QPushButton:pressed { border-style: inset; }"
             "QPushButton:focus { border-color: %3; }")
      .arg(ColourName(c.back), ColourName(c.back.darker(140)), ColourName(c.back.darker(190)));
}

// The keys of the desktop the users come from that give a character code: printable characters,
// space, Backspace, Enter, Escape, and Ctrl with a letter. Tab moves the focus, Alt with a letter
// is an access key, and arrows, Delete and function keys move or edit: none of them types.
bool ProducesCharacterCode(const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete: return false;
    default: break;
  }
  const Qt::KeyboardModifiers mods = key.modifiers();
  const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
  if (mods & Qt::MetaModifier) return false;
  if (ctrl && !alt) return key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z;
  // Ctrl with Alt is AltGr on some desktops, which types a character; Alt alone never does.
  if (alt && !ctrl) return false;
  const QString text = key.text();
  return !text.isEmpty() && text.at(0).isPrint();
}

void Paint(QWidget* w, QPalette::ColorRole back_role, const QColor& back, const QColor& fore) {
  QPalette pal = w->palette();
  if (back.isValid()) {
    pal.setColor(back_role, back);
    pal.setColor(w->backgroundRole(), back);
  }
  if (fore.isValid()) {
    pal.setColor(QPalette::WindowText, fore);
    pal.setColor(QPalette::Text, fore);
  }
  w->setPalette(pal);
}
}  // namespace

FileChooser DefaultFileChooser() {
  return [](QWidget* parent, const FileDialogRequest& r) {
    QFileDialog dialog(parent, r.title, r.initial_folder, r.filter);
    // The chosen path is used whole, whether or not a file of that name exists yet.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.selectFile(r.file_name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
  };
}

UrlOpener DefaultUrlOpener() {
  // The desktop's opener, started detached with the address as its argument: no shell, no wait.
  return [](const QString& url) { QProcess::startDetached("xdg-open", {url}); };
}

frmRepairCompact::frmRepairCompact(platform::Host& host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      host_(host),
      access_factory_(repair::DefaultAccessApplicationFactory()) {
  LoadResources();
  setObjectName("frmRepairCompact");
  setWindowTitle("ORNETTA");
  setWindowIcon(QIcon(":/images/ornetta.ico"));
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kWindowBack);
  setPalette(pal);
  setFont(WindowFont().ToFont());
  BuildControls();
}

void frmRepairCompact::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (placed_) return;
  // The frame is known only once the window exists: centre the frame, not just the client area.
  placed_ = true;
  const QScreen* s = screen();
  if (!s) return;
  const QRect frame = frameGeometry(), client = geometry();
  QRect centred = frame;
  centred.moveCenter(s->availableGeometry().center());
  setGeometry(QRect(centred.topLeft() + (client.topLeft() - frame.topLeft()), client.size()));
}

frmRepairCompact::~frmRepairCompact() = default;

void frmRepairCompact::BuildControls() {
  const std::vector<ControlSpec>& controls = Controls();
  // Later siblings lie on top: create from the back of the table to its front.
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    const ControlSpec& c = *it;
    QWidget* w = nullptr;
    switch (c.kind) {
      case ControlKind::kOption: {
        auto* b = new QRadioButton(c.caption, this);
        b->setAutoFillBackground(true);
        Paint(b, QPalette::Window, c.back, c.fore);
        w = b;
        break;
      }
      case ControlKind::kButton: {
        auto* b = new QPushButton(c.caption, this);
        b->setStyleSheet(ButtonStyle(c));
        b->setAutoDefault(true);  // Enter presses the focused button, as Space does
        w = b;
        break;
      }
      case ControlKind::kTextBox: {
        auto* e = new QLineEdit(this);
        Paint(e, QPalette::Base, c.back, c.fore);
        w = e;
        break;
      }
      case ControlKind::kLabel: {
        auto* l = new ClickableLabel(c.caption, this);
        l->setAlignment((c.Has(kCentred) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        l->setWordWrap(false);
        Paint(l, QPalette::Window, QColor(), c.fore);
        w = l;
        break;
      }
      case ControlKind::kPicture: w = new PictureWidget(this, c.caption); break;
      case ControlKind::kShape: w = new ShapeWidget(this, c.back, c.Has(kSystemFill), c.Has(kRounded)); break;
      case ControlKind::kLine: w = new LineWidget(this, c.fore); break;
    }
    w->setObjectName(c.name);
    w->setGeometry(Pixels(c));
    if (c.font.points > 0) w->setFont(c.font.ToFont());
    if (c.Has(kAutoSize)) {
      // Sized to its text once its font is set; a centred caption keeps its centre.
      auto* l = static_cast<QLabel*>(w);
      const int centre = l->geometry().center().x();
      l->adjustSize();
      if (c.Has(kCentred)) l->move(centre - l->width() / 2, l->y());
    }
    w->setFocusPolicy(c.kind == ControlKind::kOption || c.kind == ControlKind::kButton ||
                              c.kind == ControlKind::kTextBox
                          ? Qt::StrongFocus
                          : Qt::NoFocus);
  }
  optDBRepair_w = findChild<QRadioButton*>("optDBRepair");
  OptSQL_w = findChild<QRadioButton*>("OptSQL");
  optScreenProb_w = findChild<QRadioButton*>("optScreenProb");
  optsysDate_w = findChild<QRadioButton*>("optsysDate");
  cmdOK_w = findChild<QPushButton*>("cmdOK");
  cmdExit_w = findChild<QPushButton*>("cmdExit");
  cmdSelectDB_w = findChild<QPushButton*>("cmdSelectDB");
  txtSQL_w = findChild<QLineEdit*>("txtSQL");
  txtCurrDB_w = findChild<QLineEdit*>("txtCurrDB");
  Label1_w = findChild<ClickableLabel*>("Label1");
  Label2_w = findChild<ClickableLabel*>("Label2");
  Label3_w = findChild<ClickableLabel*>("Label3");
  Label4_w = findChild<ClickableLabel*>("Label4");
  imgDBProblem_w = findChild<PictureWidget*>("imgDBProblem");
  imgScrProb_w = findChild<PictureWidget*>("imgScrProb");
  imgSysDateProb_w = findChild<PictureWidget*>("imgSysDateProb");
  imgSQLQuery_w = findChild<PictureWidget*>("imgSQLQuery");

  // Tab order by the table's tab positions; labels keep their places but take no focus.
  std::vector<const ControlSpec*> ordered;
  for (const ControlSpec& c : controls)
    if (c.tab_index >= 0) ordered.push_back(&c);
  std::sort(ordered.begin(), ordered.end(), [](auto* a, auto* b) { return a->tab_index < b->tab_index; });
  QWidget* previous = nullptr;
  for (const ControlSpec* c : ordered) {
    QWidget* w = findChild<QWidget*>(c->name);
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
  txtCurrDB_w->setFocus();

  connect(cmdOK_w, &QPushButton::clicked, this, &frmRepairCompact::cmdOK_Click);
  connect(cmdExit_w, &QPushButton::clicked, this, &frmRepairCompact::cmdExit_Click);
  connect(cmdSelectDB_w, &QPushButton::clicked, this, &frmRepairCompact::cmdSelectDB_Click);
  connect(imgScrProb_w, &PictureWidget::clicked, this, [this] { optScreenProb_w->setChecked(true); });
  connect(imgSysDateProb_w, &PictureWidget::clicked, this, [this] { optsysDate_w->setChecked(true); });
  connect(imgSQLQuery_w, &PictureWidget::clicked, this, [this] { OptSQL_w->setChecked(true); });
  connect(OptSQL_w, &QRadioButton::toggled, this, [this](bool on) {
    if (on) OptSQL_Click();
  });
  connect(Label3_w, &ClickableLabel::clicked, this, &frmRepairCompact::Label3_Click);
  txtSQL_w->installEventFilter(this);
}

void frmRepairCompact::set_access_factory(repair::AccessApplicationFactory factory) {
  access_factory_ = std::move(factory);
  if (command_) command_->set_access_factory(access_factory_);
}

void frmRepairCompact::MarkDatabaseMissing() {
  QPalette pal = txtCurrDB_w->palette();
  pal.setColor(QPalette::Base, QColor(0xFF, 0x00, 0x00));
  txtCurrDB_w->setPalette(pal);
}

void frmRepairCompact::Form_Load() {
  objProd_ = std::make_unique<clsProd>(host_, [this] { MarkDatabaseMissing(); });
  command_ = std::make_unique<repair::RepairCommand>(*objProd_, host_, *this);
  command_->set_access_factory(access_factory_);
  try {
    objProd_->Get_Connection();
  } catch (const Error& e) {
    host_.MessageBox(std::to_string(e.Number()) + ",    " + e.Description(), platform::kIconCritical);
    host_.EndProgram();
  } catch (const std::exception& e) {
    host_.MessageBox(e.what(), platform::kIconCritical);
    host_.EndProgram();
  }
  txtCurrDB_w->setText(QString::fromStdString(objProd_->file_nme));
}

void frmRepairCompact::Form_Unload() {
  if (objProd_) objProd_->Leave_Connection();
  command_.reset();
  objProd_.reset();
}

void frmRepairCompact::closeEvent(QCloseEvent* event) {
  if (repair_running()) {
    // A repair in the middle of a swap must finish; the window closes when it has.
    close_after_repair_ = true;
    event->ignore();
    return;
  }
  Form_Unload();
  event->accept();
}

bool frmRepairCompact::Selected(repair::Option option) const {
  switch (option) {
    case repair::Option::OptSQL: return OptSQL_w->isChecked();
    case repair::Option::optsysDate: return optsysDate_w->isChecked();
    case repair::Option::optScreenProb: return optScreenProb_w->isChecked();
    case repair::Option::optDBRepair: return optDBRepair_w->isChecked();
  }
  return false;
}

std::string frmRepairCompact::txtSQLText() const { return txtSQL_w->text().toStdString(); }
std::string frmRepairCompact::txtCurrDBText() const { return txtCurrDB_w->text().toStdString(); }

void frmRepairCompact::cmdOK_Click() {
  if (!command_ || in_command_) return;
  in_command_ = true;  // from here on, a close waits and a second Repair is refused
  {
    std::unique_ptr<ProgressDialog> progress;
    if (optDBRepair_w->isChecked()) progress = std::make_unique<ProgressDialog>(this);
    StatementProgress waiting(this);
    command_->set_progress(progress.get());
    command_->set_statement_look_in(
        [&waiting](std::chrono::milliseconds elapsed) { return waiting.KeepGoing(elapsed); });
    command_->cmdOK_Click();
    command_->set_progress(nullptr);
    command_->set_statement_look_in({});
  }
  in_command_ = false;
  if (close_after_repair_) close();
}

void frmRepairCompact::cmdExit_Click() { close(); }

void frmRepairCompact::cmdSelectDB_Click() {
  const QString database_folder =
      QString::fromStdString(Installation(host_.ProgramFolder()).database_folder().string());
  const FileDialogRequest request{"Select File to Repair...", "Access Files (*.mdb)", "*.MDB",
                                  LocalInitialFolder(txtCurrDB_w->text(), database_folder)};
  try {
    const QString chosen = choose_file_(this, request);
    if (chosen.isEmpty()) return;  // cancelled: nothing changes
    objProd_->file_nme = chosen.toStdString();
    txtCurrDB_w->setText(chosen);
  } catch (...) {
    // Any failure of the dialog ends the handler silently, as a cancel does.
  }
}

void frmRepairCompact::Label3_Click() {
  try {
    open_url_(ClientsPageUrl());
  } catch (...) {
  }
}

void frmRepairCompact::OptSQL_Click() { txtSQL_w->setEnabled(true); }

bool frmRepairCompact::eventFilter(QObject* watched, QEvent* event) {
  // Only keys that produce a character select the statement option; the key still types.
  if (watched == txtSQL_w && event->type() == QEvent::KeyPress &&
      ProducesCharacterCode(*static_cast<QKeyEvent*>(event)) && !OptSQL_w->isChecked())
    OptSQL_w->setChecked(true);
  return QWidget::eventFilter(watched, event);
}

}  // namespace ornetta::ui
