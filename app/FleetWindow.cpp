// SPDX-License-Identifier: GPL-3.0-or-later
#include "FleetWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "AppIcon.h"
#include "FleetTexts.h"
#include "SettingsFileDialogs.h"
#include "Str_Const.h"
#include "device/Identification.h"
#include "link/Cadence.h"

namespace velmar {

// One port's ESC: its port service, its session, and the write under way on it.
struct FleetWindow::Esc {
  int number = 0;
  QString path;
  std::unique_ptr<SerialPort> port;
  std::unique_ptr<EscSession> session;
  ConfigureJob* job = nullptr;  // owned while it runs, deleted once done
  SettingChoices queued;        // chosen while a job ran, written after it
};

using namespace fleet;

namespace {

constexpr int kStatusRow = 0, kHardwareRow = 1, kFirmwareRow = 2, kFirstSettingRow = 3;
constexpr int kRows = kFirstSettingRow + kSettingCount;
constexpr int kValueRole = Qt::UserRole;

// The marks: a symbol and a colour each, never the colour alone.
const QString kDiffers = QStringLiteral("\u2260 ");
const QColor kDiffersColour(0xFF, 0xE0, 0xA0);
const QColor kConfirmedColour(0xD0, 0xF0, 0xD0);
const QColor kRefusedColour(0xFF, 0xC0, 0xC0);
const QColor kLostColour(0xE0, 0xE0, 0xE0);

// How the summary names a setting in a sentence, by setting number.
const char* const kSentenceNames[kSettingCount] = {
    QT_TRANSLATE_NOOP("velmar::FleetWindow", "cutoff voltage"),
    QT_TRANSLATE_NOOP("velmar::FleetWindow", "brake"),
    QT_TRANSLATE_NOOP("velmar::FleetWindow", "timing advance"),
    QT_TRANSLATE_NOOP("velmar::FleetWindow", "cutoff type"),
    QT_TRANSLATE_NOOP("velmar::FleetWindow", "rotation direction")};

// The grid: Enter opens a cell's list as F2 does.
class Grid : public QTableWidget {
 public:
  using QTableWidget::QTableWidget;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && state() != EditingState && currentItem() &&
        (currentItem()->flags() & Qt::ItemIsEditable)) {
      edit(currentIndex());
      return;
    }
    QTableWidget::keyPressEvent(event);
  }
};

// A setting cell's list: the user's pick goes to the window, never into the grid, which
// shows what the ESC holds.
class CellLists : public QStyledItemDelegate {
 public:
  CellLists(QObject* parent, std::function<void(int, SettingNumber, int32_t)> chose)
      : QStyledItemDelegate(parent), m_chose(std::move(chose)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    const auto number = SettingNumber(index.row() - kFirstSettingRow);
    auto* list = new QComboBox(parent);
    for (int i = 0; i < int(kSettingLists[number].entries.size()); ++i)
      list->addItem(ListEntry(number, i));
    const QVariant held = index.data(kValueRole);
    list->setCurrentIndex(held.isValid() ? held.toInt() : -1);
    list->setAccessibleName(index.data(Qt::AccessibleTextRole).toString());
    const int column = index.column();
    connect(list, &QComboBox::activated, this, [this, list, column, number](int entry) {
      emit const_cast<CellLists*>(this)->closeEditor(list);
      m_chose(column, number, entry);
    });
    QTimer::singleShot(0, list, &QComboBox::showPopup);
    return list;
  }
  void setEditorData(QWidget*, const QModelIndex&) const override {}
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

 private:
  std::function<void(int, SettingNumber, int32_t)> m_chose;
};

}  // namespace

FleetWindow::FleetWindow(FleetServices services, const PortMap& ports, const QList<int>& numbers,
                         QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_askFile(services.askFile ? std::move(services.askFile) : AskSettingsFile),
      m_commands(std::move(services.commands)) {
  setObjectName(QStringLiteral("FleetWindow"));
  setWindowIcon(AppIcon());
  setWindowTitle(Str_Const::kAppName + QStringLiteral(": ") + tr("several ESCs"));
  for (int number : numbers) {
    auto esc = std::make_unique<Esc>();
    esc->number = number;
    esc->path = ports.Device(number).path;
    esc->port = m_commands.makePort(ports);
    // Each ESC runs on its own: no other one's events inside a port change.
    esc->session = std::make_unique<EscSession>(
        LinkServices{esc->port.get(), m_commands.makeTimer(kIdlePollInterval),
                     m_commands.makeTimer(kReplyTimeout), [] {}},
        false);
    const int c = m_model.Add(number);
    connect(esc->port.get(), &SerialPort::openFailed, this, [this, c](const QString& why) {
      m_model.OpenFailed(c, why);
      Show(c);
    });
    EscSession* session = esc->session.get();
    connect(session, &EscSession::connectionChanged, this, [this, c](bool connected) {
      m_model.Connection(c, connected);
      Show(c);
    });
    connect(session, &EscSession::identified, this, [this, c](EscIdentity identity) {
      m_model.Identified(c, identity);
      Show(c);
    });
    connect(session, &EscSession::settingReported, this,
            [this, c](SettingNumber number, int32_t index) {
              m_model.Reported(c, number, index);
              Show(c);
            });
    m_escs.push_back(std::move(esc));
  }
  BuildControls();
}

FleetWindow::~FleetWindow() {
  for (const auto& esc : m_escs) {
    delete esc->job;
    esc->session->Link().Shutdown();
  }
}

void FleetWindow::BuildControls() {
  LbHelp = new QLabel(
      tr("One column for each ESC; “All” shows what they share, and \u2260 marks a "
         "setting on which they differ. A value chosen in an ESC's cell (Enter or F2) goes to "
         "that ESC, one chosen in “All” to every ESC that differs; each write is read "
         "back. This window never drives a motor: it sends no throttle."),
      this);
  LbHelp->setObjectName(QStringLiteral("LbHelp"));
  LbHelp->setWordWrap(true);

  GridEscs = new Grid(kRows, Count() + 1, this);
  GridEscs->setObjectName(QStringLiteral("GridEscs"));
  GridEscs->setAccessibleName(tr("ESCs"));
  GridEscs->setItemDelegate(new CellLists(
      GridEscs, [this](int column, SettingNumber n, int32_t i) { Choose(column, n, i); }));
  GridEscs->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
  GridEscs->setSelectionMode(QAbstractItemView::SingleSelection);
  GridEscs->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  GridEscs->setWordWrap(true);
  GridEscs->setVerticalHeaderLabels({tr("Status"), tr("Hardware"), tr("Firmware"),
                                     Caption(kCutOffV), Caption(kBrake), Caption(kTiming),
                                     Caption(kCutOffT), Caption(kDir)});
  QStringList headers{tr("All")};
  for (const auto& esc : m_escs) headers << Com(esc->number) + QLatin1Char('\n') + esc->path;
  GridEscs->setHorizontalHeaderLabels(headers);
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column <= Count(); ++column)
      GridEscs->setItem(row, column, new QTableWidgetItem);

  LbSummary = new QLabel(this);
  LbSummary->setObjectName(QStringLiteral("LbSummary"));
  LbSummary->setWordWrap(true);
  // Its name is its text, so that a screen reader tells each new one.
  LbSummary->setAccessibleDescription(tr("What the ESCs hold after the last writes."));
  CmdLoad = new QPushButton(tr("&Load from file"), this);
  CmdSave = new QPushButton(tr("&Save to file"), this);
  CmdCopy = new QPushButton(tr("&Copy from\u2026"), this);
  CmdLoad->setObjectName(QStringLiteral("CmdLoad"));
  CmdSave->setObjectName(QStringLiteral("CmdSave"));
  CmdCopy->setObjectName(QStringLiteral("CmdCopy"));
  CmdLoad->setAccessibleDescription(
      tr("Reads a settings file, shows what it changes on each ESC and on OK writes it."));
  CmdSave->setAccessibleDescription(
      tr("Writes the ESCs' common settings, or one ESC's, to a "
         "settings file."));
  CmdCopy->setAccessibleDescription(tr("Gives every other ESC one ESC's five settings."));
  connect(CmdLoad, &QPushButton::clicked, this, &FleetWindow::CmdLoad_Click);
  connect(CmdSave, &QPushButton::clicked, this, &FleetWindow::CmdSave_Click);
  connect(CmdCopy, &QPushButton::clicked, this, &FleetWindow::CmdCopy_Click);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CmdLoad);
  buttons->addWidget(CmdSave);
  buttons->addWidget(CmdCopy);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LbHelp);
  layout->addWidget(GridEscs, 1);
  layout->addWidget(LbSummary);
  layout->addLayout(buttons);
  setTabOrder(GridEscs, CmdLoad);
  setTabOrder(CmdLoad, CmdSave);
  setTabOrder(CmdSave, CmdCopy);

  m_stale.assign(size_t(Count()), true);
  m_refresh = m_commands.makeTimer(std::chrono::milliseconds(0));
  m_refresh->onTimeout = [this] { Refresh(); };
  Refresh();
  SizeColumns();
}

void FleetWindow::SizeColumns() {
  // Every text a cell may come to show, whole, in the user's language and at any dpi.
  QStringList texts{Str_Const::Shown(Str_Const::kConnected),
                    Str_Const::Shown(Str_Const::kUnconnected), kDiffers + tr("differs"),
                    tr("%1 of %2 connected").arg(16).arg(16)};
  const QString longest = QStringLiteral(" \u2717 ") + tr("refused");
  for (const SettingList& list : kSettingLists)
    for (int i = 0; i < int(list.entries.size()); ++i)
      texts << kDiffers + ListEntry(list.number, i) + longest
            << kDiffers + ListEntry(list.number, i) + QStringLiteral(" ? ") + tr("lost");
  for (int code = 499; code <= 0xFFFF; code += 500)
    texts << HardwareText(uint16_t(code), QLocale(), Str_Const::Shown(Str_Const::kUnknown));
  texts << FirmwareText(0xFFFF);
  const QFontMetrics metrics(GridEscs->font());
  int width = 0;
  for (const QString& text : texts) width = std::max(width, metrics.horizontalAdvance(text));
  const QFontMetrics header(GridEscs->horizontalHeader()->font());
  for (int column = 0; column <= Count(); ++column) {
    const QStringList lines =
        GridEscs->horizontalHeaderItem(column)->text().split(QLatin1Char('\n'));
    for (const QString& line : lines) width = std::max(width, header.horizontalAdvance(line));
  }
  const int padding = 3 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + metrics.height();
  for (int column = 0; column <= Count(); ++column)
    GridEscs->setColumnWidth(column, width + padding);
  // As many ESCs as the screen holds side by side; the grid scrolls beyond them.
  const int wanted = GridEscs->verticalHeader()->sizeHint().width() +
                     (width + padding) * (Count() + 1) + 2 * GridEscs->frameWidth() + 24;
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const int room = screen ? screen->availableGeometry().width() * 9 / 10 : wanted;
  // Every row in sight, and room for a port's reason to take a second line.
  GridEscs->resizeRowsToContents();
  GridEscs->setMinimumHeight(GridEscs->horizontalHeader()->sizeHint().height() +
                             GridEscs->verticalHeader()->length() + metrics.lineSpacing() +
                             GridEscs->horizontalScrollBar()->sizeHint().height() +
                             2 * GridEscs->frameWidth());
  resize(std::min(wanted, room), sizeHint().height());
}

void FleetWindow::Form_Load() {
  for (int c = 0; c < Count(); ++c) {
    Esc& esc = *m_escs[size_t(c)];
    if (!esc.session->Link().SelectPort(esc.number) && m_model.Column(c).failure.isEmpty())
      m_model.OpenFailed(c, tr("%1 does not open").arg(esc.path));
    Show(c);
  }
}

void FleetWindow::closeEvent(QCloseEvent* event) {
  for (const auto& esc : m_escs) esc->session->Link().Shutdown();
  event->accept();
}

int FleetWindow::Count() const {
  return m_model.Count();
}

QString FleetWindow::Device(int c) const {
  return m_escs[size_t(c)]->path;
}

void FleetWindow::Show(int c) {
  // What comes in one turn of the event loop is shown at once: a fleet's replies arrive
  // together, and the grid is laid out once for them.
  m_stale[size_t(c)] = true;
  if (!m_refresh->IsActive()) m_refresh->Start();
}

void FleetWindow::Refresh() {
  for (int c = 0; c < Count(); ++c)
    if (std::exchange(m_stale[size_t(c)], false)) Render(c);
  ShowAll();
  GridEscs->resizeRowToContents(kStatusRow);
}

void FleetWindow::Render(int c) {
  const FleetColumn& column = m_model.Column(c);
  const int gridColumn = c + 1;
  const QString com = Com(column.port);
  const QString unknown = Str_Const::Shown(Str_Const::kUnknown);
  auto set = [&](int row, const QString& text, const QString& name) {
    QTableWidgetItem* item = GridEscs->item(row, gridColumn);
    item->setText(text);
    item->setData(Qt::AccessibleTextRole, name);
    item->setForeground(column.connected ? palette().text() : palette().placeholderText());
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  };
  const QString status = !column.failure.isEmpty() ? column.failure
                         : column.connected        ? Str_Const::Shown(Str_Const::kConnected)
                                                   : Str_Const::Shown(Str_Const::kUnconnected);
  set(kStatusRow, status, tr("%1, %2: %3").arg(com, tr("Status"), status));
  const QString hardware = column.identity ? HardwareText(column.identity->hardware) : unknown;
  set(kHardwareRow, hardware, tr("%1, %2: %3").arg(com, tr("Hardware"), hardware));
  const QString firmware = column.identity ? FirmwareText(column.identity->firmware) : unknown;
  set(kFirmwareRow, firmware, tr("%1, %2: %3").arg(com, tr("Firmware"), firmware));
  for (const SettingList& list : kSettingLists) {
    const SettingNumber n = list.number;
    const int row = kFirstSettingRow + n;
    const bool marked = m_model.Marked(c, n);
    QString text = (marked ? kDiffers : QString()) +
                   (column.held[n] ? ListEntry(n, *column.held[n]) : unknown);
    QString name =
        tr("%1, %2: %3")
            .arg(com, Caption(n), column.held[n] ? ListEntry(n, *column.held[n]) : unknown);
    if (marked) name += tr(", differs from the others");
    QColor colour = marked ? kDiffersColour : QColor();
    switch (column.outcome[n]) {
      case WriteOutcome::Writing:
        text += QStringLiteral(" \u2026");
        name += tr(", writing");
        break;
      case WriteOutcome::Confirmed:
        text += QStringLiteral(" \u2713");
        name += tr(", written and confirmed");
        if (!marked) colour = kConfirmedColour;
        break;
      case WriteOutcome::Refused:
        text += QStringLiteral(" \u2717 ") + tr("refused");
        name += tr(", refused by the ESC, which holds this");
        colour = kRefusedColour;
        break;
      case WriteOutcome::Lost:
        text += QStringLiteral(" ? ") + tr("lost");
        name += tr(", the write was lost");
        colour = kLostColour;
        break;
      case WriteOutcome::None:
        break;
    }
    set(row, text, name);
    QTableWidgetItem* item = GridEscs->item(row, gridColumn);
    item->setData(kValueRole, column.held[n] ? QVariant(*column.held[n]) : QVariant());
    item->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
    if (column.connected) item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
}

void FleetWindow::ShowAll() {
  const QString all = tr("All");
  int connected = 0;
  for (int c = 0; c < Count(); ++c) connected += m_model.Column(c).connected ? 1 : 0;
  auto set = [&](int row, const QString& text, const QString& caption, bool marked, bool editable) {
    QTableWidgetItem* item = GridEscs->item(row, kAllColumn);
    item->setText((marked ? kDiffers : QString()) + text);
    item->setData(Qt::AccessibleTextRole, tr("%1, %2: %3").arg(all, caption, text));
    item->setBackground(marked ? QBrush(kDiffersColour) : QBrush());
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                   (editable ? Qt::ItemIsEditable : Qt::NoItemFlags));
  };
  set(kStatusRow, tr("%1 of %2 connected").arg(connected).arg(Count()), tr("Status"), false, false);
  bool differ = false;
  const std::optional<EscIdentity> shared = m_model.SharedIdentity(&differ);
  const bool same = !differ;
  const QString unknown = Str_Const::Shown(Str_Const::kUnknown);
  set(kHardwareRow,
      !same    ? tr("differs")
      : shared ? HardwareText(shared->hardware)
               : unknown,
      tr("Hardware"), !same, false);
  set(kFirmwareRow,
      !same    ? tr("differs")
      : shared ? FirmwareText(shared->firmware)
               : unknown,
      tr("Firmware"), !same, false);
  for (const SettingList& list : kSettingLists) {
    const std::optional<int32_t> common = m_model.Common(list.number);
    const bool differs = m_model.Differs(list.number);
    const int row = kFirstSettingRow + list.number;
    set(row,
        differs  ? tr("differs")
        : common ? ListEntry(list.number, *common)
                 : unknown,
        Caption(list.number), differs, connected > 0);
    GridEscs->item(row, kAllColumn)->setData(kValueRole, common ? QVariant(*common) : QVariant());
  }
  ShowSummary();
}

void FleetWindow::ShowSummary() {
  const FleetSummary summary = m_model.Summary();
  QString text;
  if (summary.total == 0) {
    text = tr("No ESC's port opened.");
  } else if (summary.writing) {
    text = tr("Writing and reading back\u2026");
  } else if (summary.written) {
    text = tr("%1 of %2 ESCs hold every setting").arg(summary.holding).arg(summary.total);
    for (const auto& [c, number] : summary.kept) {
      const std::optional<int32_t> held = m_model.Column(c).held[number];
      text += tr("; %1 kept %2: %3")
                  .arg(Com(m_model.Column(c).port), tr(kSentenceNames[number]),
                       held ? PlainEntry(number, *held) : Str_Const::Shown(Str_Const::kUnknown));
    }
    for (int c : summary.lost)
      text += tr("; %1: a write was lost").arg(Com(m_model.Column(c).port));
  } else {
    int differ = 0;
    for (SettingNumber number : kComparisonOrder) differ += m_model.Differs(number) ? 1 : 0;
    text = tr("%1 of %2 ESCs read").arg(summary.read).arg(summary.total);
    if (differ > 0) text += tr("; %n setting(s) differ", "", differ);
  }
  if (!m_told.isEmpty()) text += QStringLiteral(". ") + m_told;
  if (LbSummary->text() != text) LbSummary->setText(text);
}

void FleetWindow::Tell(const QString& text) {
  m_told = text;
  ShowSummary();
}

void FleetWindow::Choose(int gridColumn, SettingNumber number, int32_t index) {
  SettingChoices choices;
  choices[number] = index;
  if (gridColumn != kAllColumn) return Write(gridColumn - 1, choices);
  for (int c : m_model.ToAll(number, index)) Write(c, choices);
}

void FleetWindow::Write(int c, const SettingChoices& choices) {
  Esc& esc = *m_escs[size_t(c)];
  m_model.Writing(c, m_model.Changes(c, choices));
  if (esc.job) {
    // One job at a time on a session: what comes meanwhile follows it.
    for (SettingNumber number : kComparisonOrder)
      if (choices[number]) esc.queued[number] = choices[number];
    return Show(c);
  }
  esc.job =
      new ConfigureJob(*esc.session, m_commands.makeTimer(ConfigureJob::kFinishWithin), choices);
  connect(esc.job, &ConfigureJob::done, this, [this, c] { Written(c); });
  Show(c);
  esc.job->Begin();
}

void FleetWindow::Written(int c) {
  Esc& esc = *m_escs[size_t(c)];
  ConfigureJob* job = esc.job;
  esc.job = nullptr;
  m_model.Finished(c, job->Outcome(), job->Mismatched());
  job->deleteLater();
  const SettingChoices queued = std::exchange(esc.queued, SettingChoices{});
  if (std::any_of(queued.begin(), queued.end(), [](const auto& v) { return v.has_value(); }))
    Write(c, queued);
  Show(c);
}

}  // namespace velmar
