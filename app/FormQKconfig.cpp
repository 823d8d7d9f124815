// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormQKconfig.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <cstdio>
#include <optional>
#include <utility>

#include "AppIcon.h"
#include "BenchChart.h"
#include "Caption.h"
#include "PoleScrollBar.h"
#include "SettingsFileDialogs.h"
#include "SpeedTrendView.h"
#include "Str_Const.h"
#include "WheelGuard.h"
#include "device/Identification.h"
#include "device/Speed.h"
#include "formats/ResultCsv.h"
#include "session/BenchRun.h"

namespace velmar {
namespace {

// A sensor sends hundreds of lines a second; the eye and a screen reader need ten at most.
constexpr std::chrono::milliseconds kSensorShown(100);

QFont WindowsFont(QStringList families, double points) {
  // The named fonts are rarely installed on Linux: fall back to ones of similar metrics.
  families << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans");
  QFont font;
  font.setFamilies(families);
  font.setPointSizeF(points);
  return font;
}
QFont SansSerif(double points) {
  return WindowsFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial")},
                     points);
}
QFont TimesNewRoman(double points) {
  return WindowsFont({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")},
                     points);
}
QFont Verdana(double points) {
  return WindowsFont({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")}, points);
}

template <typename Widget>
Widget* Place(Widget* widget, const char* name, const QRect& rect) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(rect);
  return widget;
}

// A caption in its own font (the window's when none is given), measured in that
// font; `limit` is where the control to its right begins, in the parent.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect,
                  const std::optional<QFont>& font = std::nullopt, int limit = -1) {
  auto* label = Place(new QLabel(text, parent), name, rect);
  if (font) label->setFont(*font);
  FitCaption(label, rect, limit < 0 ? parent->width() : limit);
  return label;
}

// A display the user cannot type into; only the program sets its text.
QLineEdit* MakeDisplay(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
  auto* box = Place(new QLineEdit(text, parent), name, rect);
  box->setReadOnly(true);
  return box;
}

// The status boxes: shaded like a window border, and out of the keyboard order.
QLineEdit* MakeStatusBox(QWidget* parent, const char* name, const QRect& rect) {
  auto* box = MakeDisplay(parent, name, QString(), rect);
  box->setFocusPolicy(Qt::NoFocus);
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, QColor(0xD4, 0xD0, 0xC8));
  box->setPalette(palette);
  return box;
}

// What a screen reader says the control is, beyond the text it shows.
void Describe(QWidget* control, const QString& name, const QString& description) {
  control->setAccessibleName(name);
  control->setAccessibleDescription(description);
}

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& entries,
                    const QRect& rect) {
  auto* list = Place(new QComboBox(parent), name, rect);
  list->addItems(entries);
  list->setCurrentIndex(-1);
  IgnoreWheelUnlessFocused(list);
  return list;
}

}  // namespace

QString WindowTitle(const ProgramVersion& version, const QLocale& locale) {
  return Str_Const::kAppName + QStringLiteral(" V") + QString::number(version.major) +
         locale.decimalPoint() + QString::number(version.minor) +
         QStringLiteral("%1").arg(version.revision, 2, 10, QLatin1Char('0'));
}

// Positions and sizes are laid out in twips, 1440 to the inch: 15 make a pixel at
// 96 dpi. Where Qt scales the window for the screen it reports 96 dpi; where it
// does not, the fonts grow with the screen's dpi, and the layout grows with them.
int FormQKconfig::Px(int twips) const {
  return (twips * logicalDpiY() + 720) / 1440;
}
QRect FormQKconfig::Twips(int left, int top, int width, int height) const {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

FormQKconfig::FormQKconfig(FormServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_version(services.version),
      m_now(std::move(services.now)),
      m_record(services.record),
      m_askFile(services.askFile ? std::move(services.askFile) : AskSettingsFile),
      m_confirm(services.confirm ? std::move(services.confirm) : ConfirmLoad),
      m_chooseScript(services.chooseScript ? std::move(services.chooseScript) : ChooseBenchScript),
      m_makeTimer(std::move(services.makeTimer)),
      m_resultFolder(services.resultFolder),
      m_makeSensorPort(services.makeSensorPort ? std::move(services.makeSensorPort)
                                               : MakeQtLinePort),
      m_ports(std::move(services.ports)),
      m_session(std::move(services.link), true) {
  setObjectName(QStringLiteral("FormQKconfig"));
  setFont(SansSerif(8.25));
  setWindowIcon(AppIcon());
  setFixedSize(Px(5715), Px(6945));

  if (!m_makeTimer)
    m_makeTimer = [] { return std::make_unique<QtOneShotTimer>(std::chrono::milliseconds(0)); };
  BuildControls();
  SetKeyboardOrder();
  ConnectSession();
  connect(&m_session.Link().Port(), &SerialPort::openFailed, this, &FormQKconfig::NoteOpenFailure);
}

FormQKconfig::~FormQKconfig() = default;

void FormQKconfig::BuildControls() {
  BuildConnectionGroup();

  TabStrip1 = Place(new QTabWidget(this), "TabStrip1", Twips(105, 1320, 5505, 5535));
  TabStrip1->setFont(SansSerif(8.25));
  // The pages are the frames laid over the strip; its own pages stay empty.
  TabStrip1->addTab(new QWidget, tr("&Config"));
  TabStrip1->addTab(new QWidget, tr(" &Run"));
  Describe(TabStrip1->tabBar(), tr("Pages"),
           tr("Config: the ESC's settings. Run: the motor test."));
  connect(TabStrip1, &QTabWidget::currentChanged, this, &FormQKconfig::TabStrip1_Click);

  BuildConfigPage();
  BuildRunPage();
  FitTexts();
}

void FormQKconfig::FitTexts() {
  // Every text a display may come to show, whole, in the user's language and at any dpi.
  const QString unknown = Str_Const::Shown(Str_Const::kUnknown);
  FitBox(TxtConnState,
         {Str_Const::Shown(Str_Const::kConnected), Str_Const::Shown(Str_Const::kUnconnected)});
  // Each model line's last version, and the unknown models' x.999.
  QStringList hardware{unknown};
  for (int code = 499; code <= 0xFFFF; code += 500)
    hardware << HardwareText(uint16_t(code), QLocale(), unknown);
  FitBox(TxtHardVer, hardware);
  FitBox(TxtFirmVer, {unknown, FirmwareText(0xFFFF)});
  FitBox(TxtPole, {QString::number(VSlPole->maximum())});
  FitBox(TxtRev, {QString::number(SpeedSample(kShortestPeriod, VSlPole->minimum()))});
}

void FormQKconfig::BuildConnectionGroup() {
  FrameConnect =
      Place(new QGroupBox(tr("Connection"), this), "FrameConnect", Twips(100, 120, 5500, 1095));
  Label1 = MakeLabel(FrameConnect, "Label1", tr("Port:"), Twips(650, 300, 405, 255), std::nullopt,
                     Px(1080));
  CombPort = MakeList(FrameConnect, "CombPort", {}, Twips(1080, 240, 975, 315));
  Label2 = MakeLabel(FrameConnect, "Label2", tr("Status:"), Twips(485, 720, 585, 255), std::nullopt,
                     Px(1080));
  TxtConnState = MakeStatusBox(FrameConnect, "TxtConnState", Twips(1080, 720, 1000, 300));
  // Both status boxes begin at 3260 in the group: the hardware box lies on the window at 3360.
  Label4 = MakeLabel(FrameConnect, "Label4", tr("Hardware:"), Twips(2400, 300, 760, 255),
                     std::nullopt, Px(3260));
  Label3 = MakeLabel(FrameConnect, "Label3", tr("Firmware:"), Twips(2455, 720, 675, 255),
                     std::nullopt, Px(3260));
  TxtFirmVer = MakeStatusBox(FrameConnect, "TxtFirmVer", Twips(3260, 720, 2175, 300));
  // Lies on the window itself, level with its label inside the group.
  TxtHardVer = MakeStatusBox(this, "TxtHardVer", Twips(3360, 420, 2175, 300));
  TxtConnState->setText(Str_Const::Shown(Str_Const::kUnconnected));
  TxtHardVer->setText(Str_Const::Shown(Str_Const::kUnknown));
  TxtFirmVer->setText(Str_Const::Shown(Str_Const::kUnknown));
  Label1->setBuddy(CombPort);
  Label2->setBuddy(TxtConnState);
  Label4->setBuddy(TxtHardVer);
  Label3->setBuddy(TxtFirmVer);
  Describe(CombPort, tr("Serial port"), tr("The port the ESC is on; choosing one connects to it."));
  Describe(TxtConnState, tr("Connection status"), tr("Whether an ESC answers on the port."));
  Describe(TxtHardVer, tr("Hardware"), tr("The ESC's model and hardware version."));
  Describe(TxtFirmVer, tr("Firmware"), tr("The ESC's firmware version."));

  // The user's choice of the entry already selected must reach the handler
  // too, so that a port that has closed can be chosen again.
  connect(CombPort, &QComboBox::activated, this, &FormQKconfig::CombPort_Click);
}

void FormQKconfig::BuildConfigPage() {
  FrameConfig = Place(new QFrame(this), "FrameConfig", Twips(120, 1680, 5415, 5055));
  QWidget* page = FrameConfig;
  Label5 = MakeLabel(page, "Label5", tr("1.Cutoff Voltage"), Twips(720, 360, 1575, 255));
  CombCutOffV = MakeList(page, "CombCutOffV",
                         {tr("4.8V"), tr("5.6V *"), tr("6.0V"), tr("7.2V"), tr("8.4V"), tr("9.0V"),
                          tr("11.0V"), tr("12.0V")},
                         Twips(870, 600, 1575, 315));
  Label7 = MakeLabel(page, "Label7", tr("2.Brake"), Twips(720, 1320, 1335, 255));
  CombBrake =
      MakeList(page, "CombBrake", {tr("Disable *"), tr("Enable")}, Twips(870, 1560, 1575, 315));
  Label8 = MakeLabel(page, "Label8", tr("3.Timing Advance"), Twips(720, 2280, 1455, 255));
  CombTiming = MakeList(page, "CombTiming", {tr("4-10°"), tr("10-20° *"), tr("20-30°")},
                        Twips(870, 2520, 1575, 315));
  Label6 = MakeLabel(page, "Label6", tr("4.Cutoff Type"), Twips(720, 3240, 1575, 255));
  CombCutOffT = MakeList(page, "CombCutOffT", {tr("Hard Cutoff"), tr("Soft Cutoff *")},
                         Twips(870, 3480, 1575, 315));
  Label9 = MakeLabel(page, "Label9", tr("5.Rotation Direction"), Twips(720, 4200, 1695, 255));
  CombDir =
      MakeList(page, "CombDir", {tr("Forward *"), tr("Reverse")}, Twips(870, 4440, 1575, 315));
  CmdReset = Place(new QPushButton(tr("R&estore Default"), page), "CmdReset",
                   Twips(3120, 2400, 1575, 495));
  // Enabled while an ESC is connected.
  CmdSave =
      Place(new QPushButton(tr("&Save to file"), page), "CmdSave", Twips(3240, 960, 1695, 495));
  CmdLoad =
      Place(new QPushButton(tr("&Load from file"), page), "CmdLoad", Twips(3240, 1560, 1695, 495));
  CmdSave->setEnabled(false);
  CmdLoad->setEnabled(false);
  LbFileStatus = Place(new QLabel(page), "LbFileStatus", Twips(3120, 3000, 2175, 1695));
  LbFileStatus->setTextFormat(Qt::PlainText);  // messages quote files: text, never markup
  LbFileStatus->setWordWrap(true);
  LbFileStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // A screen reader names a list after its caption (its buddy), not its entry.
  Label5->setBuddy(CombCutOffV);
  Label7->setBuddy(CombBrake);
  Label8->setBuddy(CombTiming);
  Label6->setBuddy(CombCutOffT);
  Label9->setBuddy(CombDir);
  Describe(CombCutOffV, tr("Cutoff voltage"),
           tr("The battery voltage at which the ESC cuts the motor's power. * marks the "
              "default."));
  Describe(CombBrake, tr("Brake"), tr("Whether the motor is braked when the throttle closes."));
  Describe(CombTiming, tr("Timing advance"),
           tr("The motor's commutation timing advance, in electrical degrees."));
  Describe(CombCutOffT, tr("Cutoff type"),
           tr("Hard: the power stops at the cutoff voltage. Soft: it is reduced gradually."));
  Describe(CombDir, tr("Rotation direction"), tr("The motor's direction of rotation."));
  Describe(CmdReset, tr("Restore default"),
           tr("Selects the default entry of every setting and writes them to the ESC."));
  Describe(CmdSave, QString(), tr("Writes the connected ESC's settings to a settings file."));
  Describe(CmdLoad, QString(),
           tr("Reads a settings file, shows what it changes and on OK writes it to the ESC."));
  // Its name is its message, so that a new one is told.
  Describe(LbFileStatus, QString(), tr("What Save and Load did."));

  for (SettingNumber number : kComparisonOrder)
    connect(SettingSelector(number), &QComboBox::activated, this,
            [this, number] { UserChose(number); });
  connect(CmdReset, &QPushButton::clicked, this, &FormQKconfig::CmdReset_Click);
  connect(CmdSave, &QPushButton::clicked, this, &FormQKconfig::CmdSave_Click);
  connect(CmdLoad, &QPushButton::clicked, this, &FormQKconfig::CmdLoad_Click);
}

void FormQKconfig::BuildRunPage() {
  FrameRun = Place(new QFrame(this), "FrameRun", Twips(120, 1680, 5415, 5055));
  QWidget* page = FrameRun;
  Label14 = MakeLabel(page, "Label14", tr("Motor Magnet Poles:"), Twips(840, 645, 2415, 375),
                      TimesNewRoman(14.25), Px(3240));
  TxtPole = MakeDisplay(page, "TxtPole", QStringLiteral("2"), Twips(3240, 600, 375, 360));
  TxtPole->setFont(SansSerif(12));
  VSlPole = Place(new PoleScrollBar(page), "VSlPole", Twips(3600, 595, 300, 360));
  VSlPole->setRange(2, 24);
  VSlPole->setSingleStep(2);
  VSlPole->setPageStep(2);
  VSlPole->setValue(2);
  Label12 = MakeLabel(page, "Label12", tr("Rev:"), Twips(840, 1920, 615, 375), TimesNewRoman(15.75),
                      Px(1560));
  TxtRev = MakeDisplay(page, "TxtRev", QStringLiteral("0"), Twips(1560, 1680, 2055, 750));
  TxtRev->setFont(Verdana(26.25));
  Label10 =
      MakeLabel(page, "Label10", tr("r/min"), Twips(3720, 1920, 1215, 405), TimesNewRoman(15.75));
  Label13 = MakeLabel(page, "Label13", tr("Throttle:"), Twips(840, 3120, 1095, 375),
                      TimesNewRoman(15.75), Px(1920));
  // Sized for the widest throttle it will show.
  LbPower = MakeLabel(page, "LbPower", QStringLiteral("200"), Twips(1920, 3075, 735, 375),
                      Verdana(15.75));
  LbPower->setText(QStringLiteral("0"));
  Label11 = MakeLabel(page, "Label11", QStringLiteral("0 "), Twips(870, 3555, 375, 255),
                      std::nullopt, Px(1700));
  Label15 = MakeLabel(page, "Label15", QStringLiteral("50"), Twips(1700, 3555, 375, 255),
                      std::nullopt, Px(2500));
  Label16 = MakeLabel(page, "Label16", QStringLiteral("100"), Twips(2500, 3555, 375, 255),
                      std::nullopt, Px(3380));
  Label17 = MakeLabel(page, "Label17", QStringLiteral("150"), Twips(3380, 3555, 375, 255),
                      std::nullopt, Px(4230));
  Label18 = MakeLabel(page, "Label18", QStringLiteral("200"), Twips(4230, 3555, 375, 255));
  SldPower = Place(new QSlider(Qt::Horizontal, page), "SldPower", Twips(720, 3720, 3855, 495));
  SldPower->setRange(0, 200);
  SldPower->setSingleStep(1);
  SldPower->setPageStep(5);
  SldPower->setTickInterval(10);
  SldPower->setTickPosition(QSlider::TicksBelow);
  SldPower->setValue(0);
  IgnoreWheelUnlessFocused(SldPower);
  // The free band below the throttle scale.
  m_trend = Place(new SpeedTrendView(page), "SpeedTrend", Twips(720, 4290, 4215, 705));
  BuildBenchControls(page);

  Label14->setBuddy(VSlPole);
  Label12->setBuddy(TxtRev);
  Label13->setBuddy(SldPower);
  Describe(TxtPole, tr("Motor magnet poles"),
           tr("The motor's number of magnet poles, which turns the ESC's reading into r/min."));
  Describe(VSlPole, tr("Motor magnet poles, 2 to 24"), tr("Up and Down change it by 2."));
  Describe(TxtRev, tr("Speed in r/min"), tr("The motor's speed, averaged over its last readings."));
  Describe(SldPower, tr("Throttle, 0 to 200"),
           tr("The throttle sent to the ESC. Page Up and Page Down move it by 5."));
  Describe(LbPower, QString(), tr("The throttle the slider is set to."));
  Describe(m_trend, tr("Speed trend"), tr("The speed over the last 30 seconds."));

  // Both the change and the drag run the handler. During a drag the change
  // follows the drag notification and does the work; the handler's result is
  // the same however many times it runs for one position.
  connect(SldPower, &QSlider::valueChanged, this, &FormQKconfig::SldPower_Change);
  connect(SldPower, &QSlider::sliderMoved, this, &FormQKconfig::SldPower_Change);
  connect(VSlPole, &QScrollBar::valueChanged, this, &FormQKconfig::VSlPole_Change);
}

void FormQKconfig::BuildBenchControls(QWidget* page) {
  // In the free band to the right of the throttle's value.
  CmdBench = Place(new QPushButton(tr("&Bench run\u2026"), page), "CmdBench",
                   Twips(2880, 3075, 1335, 375));
  CmdStop = Place(new QPushButton(tr("Stop"), page), "CmdStop", Twips(4320, 3075, 855, 375));
  LbBench = Place(new QLabel(page), "LbBench", Twips(840, 120, 4335, 435));
  LbBench->setWordWrap(true);
  connect(CmdBench, &QPushButton::clicked, this, &FormQKconfig::CmdBench_Click);
  connect(CmdStop, &QPushButton::clicked, this, [this] { StopMotor(Str_Const::kStoppedByUser); });
  // Space, Esc and Home stop the motor on this page at any time, with or without a run; during
  // a run Space and Esc stop it wherever the focus is, in any of the program's windows.
  for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Escape, Qt::Key_Home}) {
    auto* shortcut = new QShortcut(QKeySequence(key), page);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this,
            [this] { StopMotor(Str_Const::kStoppedByUser); });
    m_pageStopKeys << shortcut;
    if (key == Qt::Key_Home) continue;
    auto* everywhere = new QShortcut(QKeySequence(key), this);
    everywhere->setContext(Qt::ApplicationShortcut);
    everywhere->setEnabled(false);
    connect(everywhere, &QShortcut::activated, this,
            [this] { StopMotor(Str_Const::kStoppedByUser); });
    m_runStopKeys << everywhere;
  }
  // A message may quote a file: text, never markup.
  LbBench->setTextFormat(Qt::PlainText);
  BuildSensorBand(page);
  connect(&m_session, &EscSession::stopEnded, this, &FormQKconfig::StopEnded);
}

void FormQKconfig::BuildSensorBand(QWidget* page) {
  // In the free band between the speed and the throttle, two readings a row; empty while no run
  // has a sensor, but always there, so that nothing else moves when one starts.
  m_sensorBand = Place(new QWidget(page), "SensorBand", Twips(600, 2475, 4575, 555));
  Describe(m_sensorBand, tr("Bench sensor"),
           tr("The bench sensor's latest reading during a run, its zero at rest taken off."));
  QLabel** labels[kReadings] = {&LbThrust, &LbCurrent, &LbVoltage, &LbWatts};
  const char* names[kReadings] = {"LbThrust", "LbCurrent", "LbVoltage", "LbWatts"};
  for (int i = 0; i < kReadings; ++i) {
    *labels[i] = Place(new QLabel(m_sensorBand), names[i],
                       Twips(i % 2 ? 2280 : 0, i / 2 ? 300 : 0, i % 2 ? 2295 : 2220, 255));
    (*labels[i])->setTextFormat(Qt::PlainText);
    // Its name is its reading, so that a reader hears the value with the quantity.
    Describe(*labels[i], QString(), m_sensorBand->accessibleDescription());
  }
  m_sensorShown = m_makeTimer();
  m_sensorShown->SetInterval(kSensorShown);
  m_sensorShown->onTimeout = [this] {
    if (!std::exchange(m_sensorPending, false)) return;
    ShowSensor();
    m_sensorShown->Start();
  };
}

QString FormQKconfig::StopNotConfirmedText() const {
  return tr("The ESC did not confirm the stop: the motor may still be running.");
}

void FormQKconfig::StopEnded(bool confirmed) {
  if (!confirmed) {
    const QString text = StopNotConfirmedText();
    std::fprintf(stderr, "velmar-esc-config: %s\n", qPrintable(text));
    LbBench->setText(text);
  }
  // A close or a port change that waited goes on once the stop has been handled everywhere.
  if (m_closeWhenStopped) {
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  } else if (std::exchange(m_portWhenStopped, false)) {
    m_portStopped = true;
    QMetaObject::invokeMethod(this, &FormQKconfig::CombPort_Click, Qt::QueuedConnection);
  }
}

void FormQKconfig::SetKeyboardOrder() {
  // The selectors go cutoff type before brake, unlike their order on the page.
  const QList<QWidget*> order{CombPort,   TabStrip1, CombCutOffV, CombCutOffT, CombBrake,
                              CombTiming, CombDir,   CmdSave,     CmdLoad,     CmdReset,
                              VSlPole,    SldPower,  TxtRev,      TxtPole};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void FormQKconfig::Form_Load() {
  ScanPorts();
  if (CombPort->count() > 0) SelectEntry(CombPort, 0, &FormQKconfig::CombPort_Click);
  SelectDefaultSettings();
  CurTab = TabStrip1->currentIndex() + 1;
  FrameConfig->show();
  FrameRun->hide();
  setWindowTitle(WindowTitle(m_version));
}

void FormQKconfig::TabStrip1_Click() {
  const int32_t tab = TabStrip1->currentIndex() + 1;
  if (tab == CurTab) return;
  CurTab = tab;
  if (CurTab == 1) {
    StopMotor(Str_Const::kLeftRunPage);
    FrameConfig->show();
    FrameRun->hide();
    TabStrip1->setFocus();
  } else if (CurTab == 2) {
    FrameRun->show();
    FrameConfig->hide();
    SldPower->setFocus();
  }
}

void FormQKconfig::Form_Unload() {
  m_session.Link().Shutdown();
}

void FormQKconfig::closeEvent(QCloseEvent* event) {
  // A motor that may be turning is stopped first; the close comes back once the ESC has
  // confirmed the stop or the link has given up on it, about a second at most.
  if (m_session.Stopping()) {
    m_closeWhenStopped = true;
    return event->ignore();
  }
  if (!m_closeWhenStopped && !m_session.AtRest() && m_session.Link().Port().IsOpen()) {
    event->ignore();
    m_closeWhenStopped = true;
    setEnabled(false);
    return StopMotor(Str_Const::kWindowClosed);
  }
  Form_Unload();
  if (m_chart) m_chart->close();
  event->accept();
}

void FormQKconfig::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_centrings == 0) CentreOnScreen();
}

void FormQKconfig::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // The window manager frames the window after it is first shown and moves it
  // as it does: centre the framed window once more. A few tries at most, so a
  // manager that places windows itself is not fought.
  if (isVisible() && m_centrings > 0 && m_centrings < kCentrings) CentreOnScreen();
}

void FormQKconfig::CentreOnScreen() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  const QRect frame = frameGeometry();
  // Once the frame is known this is the last time.
  m_centrings = frame == geometry() ? m_centrings + 1 : kCentrings;
  QRect target = frame;
  target.moveCenter(screen->availableGeometry().center());
  if (target.topLeft() != frame.topLeft()) move(target.topLeft());
}

void FormQKconfig::SelectEntry(QComboBox* list, int index, void (FormQKconfig::*handler)()) {
  if (index < 0 || index >= list->count()) return;
  // The lists notify only the user's choices (activated), so this runs the handler once.
  list->setCurrentIndex(index);
  (this->*handler)();
}

}  // namespace velmar
