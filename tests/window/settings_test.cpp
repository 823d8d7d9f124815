#include <QPushButton>
#include <QTest>

#include "FormHarness.h"

namespace velmar::testing {
namespace {

constexpr std::array<uint8_t, 5> kDefaults{2, 1, 2, 2, 1};  // wire values, setting 0..4

class Settings : public FormTest {
 protected:
  // Serves the connection to an ESC holding `values`: the first poll, the
  // identification and the five reads.
  void ConnectTo(std::array<uint8_t, 5> values) {
    Start();
    for (int i = 0; i < 7; ++i) port.Deliver(EscAnswer(NextFrame(), values));
    ASSERT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
    ASSERT_EQ(port.writes.size(), 7);
    port.writes.clear();
  }
  std::array<int32_t, 5> Esc() {
    const SettingsState& s = Probe().settings();
    return {s.EscCutOffV, s.EscBrake, s.EscTiming, s.EscCutOffT, s.EscDir};
  }
  std::array<int32_t, 5> Sel() {
    const SettingsState& s = Probe().settings();
    return {s.SelCutOffV, s.SelBrake, s.SelTiming, s.SelCutOffT, s.SelDir};
  }
  // The user picks the next entry down with the keyboard.
  void KeyDown(const char* list) { QTest::keyClick(List(list), Qt::Key_Down); }
  void KeyUp(const char* list) { QTest::keyClick(List(list), Qt::Key_Up); }
};

TEST_F(Settings, AnEscWithTheDefaultsIsReadAndLeftAlone) {
  ConnectTo(kDefaults);
  EXPECT_EQ(Esc(), (std::array<int32_t, 5>{1, 0, 1, 1, 0}));
  EXPECT_EQ(Sel(), (std::array<int32_t, 5>{1, 0, 1, 1, 0}));
  EXPECT_EQ(List("CombCutOffV")->currentText(), QStringLiteral("5.6V *"));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_TRUE(Probe().ring().Empty());
}

TEST_F(Settings, ReadsMoveTheSelectorsToTheEscsValuesWithoutWriting) {
  ConnectTo({3, 2, 1, 1, 2});
  EXPECT_EQ(Sel(), (std::array<int32_t, 5>{2, 1, 0, 0, 1}));
  EXPECT_EQ(List("CombCutOffV")->currentText(), QStringLiteral("6.0V"));
  EXPECT_EQ(List("CombBrake")->currentText(), QStringLiteral("Enable"));
  EXPECT_EQ(List("CombTiming")->currentText(), QString::fromUtf8("4-10\u00B0"));
  EXPECT_EQ(List("CombCutOffT")->currentText(), QStringLiteral("Hard Cutoff"));
  EXPECT_EQ(List("CombDir")->currentText(), QStringLiteral("Reverse"));
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Settings, AUsersChangeIsWrittenAtTheNextPollReply) {
  ConnectTo(kDefaults);
  KeyDown("CombBrake");
  ASSERT_EQ(Probe().settings().SelBrake, 1);
  EXPECT_TRUE(Probe().ring().Empty());  // the list itself sends nothing
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(Bytes({0x59, 0x02})), Bytes({0x51, 0x4B, 0x03, 0x01, 0x02}));
  EXPECT_EQ(Probe().settings().EscBrake, 1);
  EXPECT_EQ(List("CombBrake")->currentIndex(), 1);
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Settings, AChangeUndoneBeforeTheNextPollSendsNothing) {
  ConnectTo(kDefaults);
  KeyDown("CombCutOffV");
  KeyUp("CombCutOffV");
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Settings, AnAnswerOfZeroIsReadAgain) {
  ConnectTo({0, 1, 2, 2, 1});
  EXPECT_EQ(Probe().settings().EscCutOffV, -1);
  EXPECT_EQ(List("CombCutOffV")->currentIndex(), 1);
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(Bytes({0x59, 0x00})), Bytes({0x51, 0x4B, 0x02, 0x00}));
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(Bytes({0x59, 0x04})), Bytes({0x51, 0x4B, 0x02, 0x00}));
  EXPECT_EQ(List("CombCutOffV")->currentText(), QStringLiteral("7.2V"));
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Settings, AnAnswerBeyondTheListIsWrittenAgainUntilTheEscAnswersWithinIt) {
  ConnectTo({9, 1, 2, 2, 1});
  EXPECT_EQ(Probe().settings().EscCutOffV, 8);
  EXPECT_EQ(List("CombCutOffV")->currentIndex(), 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Exchange(kY), kPoll);
    EXPECT_EQ(Exchange(Bytes({0x59, 0x09})), Bytes({0x51, 0x4B, 0x03, 0x00, 0x02}));
  }
  // Same byte, same effect after a write as after a read; then one within the list.
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(Bytes({0x59, 0x08})), Bytes({0x51, 0x4B, 0x03, 0x00, 0x02}));
  EXPECT_EQ(List("CombCutOffV")->currentText(), QStringLiteral("12.0V"));
  EXPECT_EQ(Probe().settings().SelCutOffV, 7);
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Settings, RestoreDefaultWritesWhatDiffers) {
  ConnectTo({8, 2, 3, 2, 2});  // 12.0V, brake on, 20-30, soft, reverse
  QTest::mouseClick(Find<QPushButton>("CmdReset"), Qt::LeftButton);
  EXPECT_EQ(Sel(), (std::array<int32_t, 5>{1, 0, 1, 1, 0}));
  EXPECT_EQ(List("CombDir")->currentText(), QStringLiteral("Forward *"));
  EXPECT_TRUE(Probe().ring().Empty());
  EXPECT_EQ(Exchange(kY), kPoll);
  QList<QByteArray> writes;
  for (int i = 0; i < 4; ++i) {
    writes << NextFrame();
    port.Deliver(EscAnswer(writes.last()));
  }
  EXPECT_EQ(writes,
            QList<QByteArray>(
                {Bytes({0x51, 0x4B, 0x03, 0x00, 0x02}), Bytes({0x51, 0x4B, 0x03, 0x01, 0x01}),
                 Bytes({0x51, 0x4B, 0x03, 0x02, 0x02}), Bytes({0x51, 0x4B, 0x03, 0x04, 0x01})}));
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Settings, RestoreDefaultBeforeASettingIsReadReadsIt) {
  Start();
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(EscAnswer(kIdentify)), kIdentify);
  // Setting 0 has been read; the others are still waiting.
  EXPECT_EQ(Exchange(Bytes({0x59, 0x05})), Bytes({0x51, 0x4B, 0x02, 0x00}));
  QTest::mouseClick(Find<QPushButton>("CmdReset"), Qt::LeftButton);
  EXPECT_EQ(Probe().settings().SelCutOffV, 1);
  EXPECT_EQ(Probe().settings().EscCutOffT, -1);
  // The waiting reads go on and their answers replace the defaults.
  EXPECT_EQ(Exchange(Bytes({0x59, 0x01})), Bytes({0x51, 0x4B, 0x02, 0x03}));
  EXPECT_EQ(List("CombCutOffT")->currentText(), QStringLiteral("Hard Cutoff"));
  for (int i = 0; i < 3; ++i) port.Deliver(EscAnswer(NextFrame()));
  // The next poll writes only the cutoff voltage that Restore Default changed.
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(Bytes({0x59, 0x02})), Bytes({0x51, 0x4B, 0x03, 0x00, 0x02}));
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), kPoll);
}

TEST_F(Settings, AReplyToAWaitingReadReplacesTheUsersChoice) {
  Start();
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(Exchange(EscAnswer(kIdentify)), kIdentify);
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x02, 0x00}));
  KeyDown("CombCutOffV");  // while the read is on its way
  ASSERT_EQ(Probe().settings().SelCutOffV, 2);
  port.Deliver(Bytes({0x59, 0x02}));
  EXPECT_EQ(Probe().settings().SelCutOffV, 1);
  EXPECT_EQ(List("CombCutOffV")->currentText(), QStringLiteral("5.6V *"));
}

TEST_F(Settings, NothingIsComparedWhileTheMotorRuns) {
  ConnectTo(kDefaults);
  Probe().MotorRunning() = true;
  KeyDown("CombDir");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Exchange(Bytes({0x59, 0, 0, 0})), kSpeed);
  Probe().MotorRunning() = false;
  EXPECT_EQ(Exchange(kY), kPoll);
  EXPECT_EQ(NextFrame(), Bytes({0x51, 0x4B, 0x03, 0x04, 0x02}));
}

TEST_F(Settings, IdentificationShowsModelAndFirmware) {
  Start();
  FramesUntilIdle([](const QByteArray& f) {
    return f == kIdentify ? Bytes({0x59, 0x58, 0x1B, 0xE8, 0x03}) : EscAnswer(f);
  });
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("QK-5A V1.000"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("V1.000"));
}

TEST_F(Settings, CodesPastTheSignedRangeNeitherCrashNorDisconnect) {
  Start();
  FramesUntilIdle([](const QByteArray& f) {
    return f == kIdentify ? Bytes({0x59, 0xFF, 0xFF, 0xFF, 0xFF}) : EscAnswer(f);
  });
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("Unknown V1.535"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("V65.535"));
  EXPECT_EQ(Text("TxtConnState"), QStringLiteral("Connected"));
}

TEST_F(Settings, VersionsUseTheUsersDecimalSeparator) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Start();
  FramesUntilIdle([](const QByteArray& f) { return EscAnswer(f); });
  QLocale::setDefault(previous);
  EXPECT_EQ(Text("TxtHardVer"), QStringLiteral("QK-10A V1,250"));
  EXPECT_EQ(Text("TxtFirmVer"), QStringLiteral("V1,012"));
}

}  // namespace
}  // namespace velmar::testing
