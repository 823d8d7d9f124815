// SPDX-License-Identifier: GPL-3.0-or-later
// The ESC session on a scripted port and a manual clock: bytes in, time on, what it reports.
#include <gtest/gtest.h>

#include <QStringList>

#include "session/BenchRun.h"
#include "session/ConfigureJob.h"
#include "session/EscSession.h"
#include "support/ByteScript.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {
namespace {

using namespace std::chrono_literals;

class Session : public ::testing::Test {
 protected:
  void Start(bool drivesMotor) {
    port.usable = {1};
    session = std::make_unique<EscSession>(
        LinkServices{&port, clock.MakeTimer(), clock.MakeTimer(), [] {}}, drivesMotor);
    const auto note = [this](QString text) { reports << text; };
    QObject::connect(session.get(), &EscSession::connectionChanged,
                     [=](bool c) { note(c ? "connected" : "unconnected"); });
    QObject::connect(session.get(), &EscSession::identified, [=](EscIdentity id) {
      note(QStringLiteral("id%1/%2").arg(id.hardware).arg(id.firmware));
    });
    QObject::connect(session.get(), &EscSession::settingReported, [=](SettingNumber n, int i) {
      note(QStringLiteral("set%1=%2").arg(n).arg(i));
    });
    QObject::connect(session.get(), &EscSession::applied, [=](std::vector<SettingNumber> bad) {
      QString text = "applied";
      for (SettingNumber n : bad) text += QString::number(n);
      note(text);
    });
    QObject::connect(session.get(), &EscSession::throttleChanged,
                     [=](int t) { note(QStringLiteral("throttle%1").arg(t)); });
    QObject::connect(session.get(), &EscSession::throttleAcknowledged,
                     [=](int t) { note(QStringLiteral("ack%1").arg(t)); });
    QObject::connect(session.get(), &EscSession::speedShown,
                     [=](int rpm) { note(QStringLiteral("rpm%1").arg(rpm)); });
    QObject::connect(session.get(), &EscSession::speedReset, [=] { note("reset"); });
  }

  // Runs a byte script (support/ByteScript.h) with these steps too:
  //   !TEXT   the session has not reported TEXT since the last ?
  //   ?TEXT   the session reported TEXT since the last ? (earlier reports are passed over)
  //   cN=I    the user chooses entry I of setting N;  aN=I,.. Apply those choices
  //   tV      the throttle asked for;  pN  the pole count
  //   S / s   the session reads synced / not synced
  //   jTEXT   the configure job's result (ok, absent, refused, mismatch, lost; pending: none)
  //   bH      a bench run: 30 settled 150 ms, held H ms; 35 held 250 ms; rpm_max 30000, no_speed_ms
  //           1100; reports stepN:SAMPLESxMEAN, finished:REASON (_ a space);  xREASON Stop(REASON);
  //           xrow:REASON  Stop(REASON) as the next step's row comes in
  void Run(const QString& script) {
    RunByteScript(port, clock, script, [this](char op, const QString& arg) -> QString {
      const auto setting = [&](const QString& pair) {
        return std::pair(SettingNumber(pair.section('=', 0, 0).toInt()),
                         pair.section('=', 1).toInt());
      };
      if (op == '?') {
        const qsizetype at = reports.indexOf(arg);
        reports.remove(0, at + 1);
        return at < 0 ? "not reported in " + reports.join(',') : arg;
      }
      if (op == '!') return reports.contains(arg) ? "reported" : arg;
      if (op == 'c') session->Choose(setting(arg).first, setting(arg).second);
      if (op == 'a') {
        SettingChoices choices;
        for (const QString& pair : arg.split(','))
          choices[setting(pair).first] = setting(pair).second;
        session->Apply(choices);
      }
      if (op == 't') session->SetThrottle(arg.toInt(), 5);
      if (op == 'p') session->SetPoles(arg.toInt());
      if ((op == 'S' || op == 's') && session->Synced() != (op == 'S')) return "the other";
      if (op == 'j')
        return job && job->Outcome() != ConfigureJob::Result::Pending
                   ? ConfigureJob::Name(job->Outcome())
                   : "pending";
      if (op == 'b') StartRun(arg.toInt());
      if (op == 'x' && arg.startsWith("row:")) stopOnRow = arg.mid(4).replace('_', ' ');
      if (op == 'x' && run && !arg.startsWith("row:")) run->Stop(QString(arg).replace('_', ' '));
      return QByteArray("catpSsbx").contains(op) ? arg : "unknown step";
    });
  }

  void StartRun(int hold) {
    const BenchScript script{
        14, {{30, 150ms, std::chrono::milliseconds(hold)}, {35, 0ms, 250ms}}, 30000, 1100ms};
    run = std::make_unique<BenchRun>(*session, script, clock.MakeTimer(),
                                     [&] { return clock.Now(); });
    QObject::connect(run.get(), &BenchRun::stepDone, [this](StepResult r) {
      reports << QStringLiteral("step%1:%2x%3").arg(r.step).arg(r.samples).arg(r.rpmMean);
      if (!stopOnRow.isEmpty()) run->Stop(stopOnRow);
    });
    QObject::connect(run.get(), &BenchRun::finished, [this](BenchResult r) {
      reports << "finished:" + r.stopped.replace(' ', '_');
    });
    run->Start();
  }

  ScriptedPort port;
  ManualClock clock;
  std::unique_ptr<EscSession> session;
  std::unique_ptr<ConfigureJob> job;
  std::unique_ptr<BenchRun> run;
  QString stopOnRow;  // the reason the owner stops the run for as a row comes in
  QStringList reports;
};

// The connection made on a plain line: identity 8250/1012, the five settings at their defaults.
constexpr char kConnect[] =
    "+100 >514B00 <59 ?connected ?reset s +10 >514B01 <593A20F403 ?id8250/1012 "
    "+10 >514B0200 <5902 ?set0=1 +10 >514B0203 <5902 +10 >514B0201 <5901 +10 >514B0202 <5902 "
    "+10 >514B0204 <5901 ?set4=0 S ";

using Script = std::tuple<const char*, bool, const char*>;  // name, drives the motor, steps
class Scripts : public Session, public ::testing::WithParamInterface<Script> {};

TEST_P(Scripts, Run) {
  Start(std::get<1>(GetParam()));
  ASSERT_TRUE(session->Link().SelectPort(1));
  Run(QLatin1String(kConnect) + QLatin1String(std::get<2>(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(
    Session, Scripts,
    ::testing::Values(
        // A choice goes out with the next poll's reply; an answer other than the one written
        // moves the list to the ESC's value.
        Script{"ChoicesAreWrittenAndTheAnswerIsTheTruth", true,
               "c1=1 c4=1 +100 >514B00 <59 +10 >514B030102 <5902 ?set1=1 +10 >514B030402 <5901 "
               "?set4=0 +100 >514B00 <59 +100 >514B00"},
        // Rises climb by five; above 25 the motor runs and the speed is asked for; each speed
        // reply is averaged over ten and followed by the throttle; 300 is a glitch, 0 a stop.
        Script{"ThrottleClimbsRunsAndMeasures", true,
               "t100 ?throttle5 t100 t100 t100 t100 t100 ?throttle30 p14 +100 >514B05 <59E80300 "
               "?rpm1714 +10 >514B041E <59 ?ack30 +100 >514B05 <59E80300 ?rpm3428 +100 >514B05 "
               "<592C0100 . +100 >514B05 <59E80300 ?rpm5142 +100 >514B05 <59000000 ?reset ?rpm0 t0 "
               "?throttle0 ?rpm0 +100 >514B00 "
               "<59 +10 >514B0400 <59 ?reset ?ack0 +100 >514B00"},
        // A throttle sent while the ESC is slow goes out again as it stands now.
        Script{"AResendCarriesTheLatestThrottle", true,
               "t5 +100 >514B00 <59 +10 >514B0405 t0 +310 >514B0400 <59 ?ack0 +100 >514B00"},
        // Three unanswered throttle frames: the ESC may hold any of them, so the reconnection
        // sends the throttle, now 0, after the connect sequence.
        Script{"AFallBackStopsAndTheReconnectionSendsTheThrottle", true,
               "t5 +100 >514B00 <59 +10 >514B0405 +310 >514B0405 +310 >514B0405 +310 ?unconnected "
               "?throttle0 s >514B00 <59 ?connected +10 >514B01 <593A20F403 +10 >514B0200 <5902 "
               "+10 >514B0203 <5902 +10 >514B0201 <5901 +10 >514B0202 <5902 +10 >514B0204 <5901 "
               "+10 >514B0400 <59 ?ack0"},
        // The ESC holds what was sent; a throttle moved meanwhile goes out next.
        Script{"AThrottleMovedInFlightIsSentAgain", true,
               "t5 +100 >514B00 <59 +10 >514B0405 t10 <59 ?ack5 +100 >514B00 <59 +10 >514B040A"},
        // The command line's session never sends a throttle, not even after a fall-back.
        Script{"ASessionThatLeavesTheMotorAloneNeverSendsAThrottle", false,
               "t5 +100 >514B00 <59 +100 >514B00 +310 >514B00 +310 >514B00 +310 >514B00 "
               "?unconnected <59 ?connected +10 >514B01"},
        // Apply writes what differs, reads each written setting back and says which one the
        // ESC did not take; settings already as asked are not written.
        Script{"ApplyWritesWhatDiffersAndReadsItBack", true,
               "a0=3,1=1,4=0 +100 >514B00 <59 +10 >514B030004 <5904 +10 >514B030102 <5901 "
               "+10 >514B0200 <5904 !applied +10 >514B0201 <5901 ?applied1 +100 >514B00"},
        Script{"ApplyWithNothingToWriteIsDoneAtOnce", true, "a1=0,3=1 ?applied +100 >514B00"}),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

// A command line's job on one ESC: the file asks for brake 1 on a QK-10A.
using Job = std::tuple<const char*, const char*, int, std::string>;  // name, hardware,
                                                                     // 1 forced / 2 a dry run,
                                                                     // steps
class Jobs : public Session, public ::testing::WithParamInterface<Job> {};

TEST_P(Jobs, Run) {
  Start(false);
  SettingChoices brake;
  brake[kBrake] = 1;
  job = std::make_unique<ConfigureJob>(*session, clock.MakeTimer(), brake, std::get<1>(GetParam()),
                                       std::get<2>(GetParam()) == 1, std::get<2>(GetParam()) == 2);
  job->Start(1);
  Run(QString::fromStdString(std::get<3>(GetParam())));
  EXPECT_FALSE(port.IsOpen()) << "the port stays open after the job";
}

INSTANTIATE_TEST_SUITE_P(
    Session, Jobs,
    ::testing::Values(
        Job{"NoAnswerInTwoSecondsIsAbsent", "", false,
            "+100 >514B00 +310 >514B00 +310 >514B00 +310 >514B00 +310 >514B00 +310 >514B00 "
            "+310 >514B00 +39 jpending +1 jabsent +1000 ."},
        Job{"WrittenAndReadBackIsOk", "QK-10A V1.250", false,
            (std::string(kConnect) + "jpending +100 >514B00 <59 +10 >514B030102 <5902 "
                                     "+10 >514B0201 <5902 jok +1000 .")},
        Job{"AnEscThatKeepsItsValueIsAMismatch", "", false,
            (std::string(kConnect) + "+100 >514B00 <59 +10 >514B030102 <5901 +10 >514B0201 "
                                     "<5901 jmismatch")},
        Job{"OtherHardwareIsRefusedAndNothingWritten", "QK-5A V1.000", false,
            (std::string(kConnect) + "jrefused +1000 .")},
        Job{"ADryRunStillRefusesOtherHardware", "QK-5A V1.000", 2,
            (std::string(kConnect) + "jrefused +1000 .")},
        Job{"OtherHardwareIsWrittenWhenForced", "QK-5A V1.000", true,
            (std::string(kConnect) +
             "+100 >514B00 <59 +10 >514B030102 <5902 +10 >514B0201 <5902 jok")},
        Job{"AnEscThatFallsSilentIsLost", "", false,
            "+100 >514B00 <59 +10 >514B01 +310 >514B01 +310 >514B01 +310 jlost +1000 ."}),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

// A bench run: each step climbs by 5 an acknowledgement to 30 (the motor runs above 25), settles
// from the ESC's acknowledgement of the step's throttle, then averages the hold's samples; every
// stop, and the end, sends the throttle 0 and waits for its acknowledgement.
class BenchRuns : public Scripts {};
TEST_P(BenchRuns, Run) {
  Start(true);
  ASSERT_TRUE(session->Link().SelectPort(1));
  const QString steps = QLatin1String(std::get<2>(GetParam()));
  Run(kConnect + steps.section(' ', 0, 0) +
      " +100 >514B00 <59 +10 >514B0405 <59 ?ack5 +100 >514B00 <59 +10 >514B040A <59 +100 >514B00 "
      "<59 +10 >514B040F <59 +100 >514B00 <59 +10 >514B0414 <59 +100 >514B00 <59 +10 >514B0419 <59 "
      "?ack25 +100 >514B05 <59E80300 +10 >514B041E <59 ?ack30 " +
      steps.section(' ', 1));
}
INSTANTIATE_TEST_SUITE_P(
    Bench, BenchRuns,
    ::testing::Values(
        Script{"RunsEveryStepAndEndsAtZero", true,
               "b220 +100 >514B05 <59E80300 +100 >514B05 <59D00700 +100 >514B05 <59D00700 +70 "
               "?step1:2x8571 +30 >514B05 <59D00700 +10 >514B0423 <59 ?ack35 +100 >514B05 "
               "<59E80300 +100 >514B05 <59E80300 +50 ?step2:2x17142 ?throttle0 +50 >514B00 <59 "
               "+10 >514B0400 <59 ?ack0 ?finished:"},
        Script{"AStopFromOutsideKeepsTheFirstReason", true,
               "b5000 +50 xsignal xuser ?throttle0 +50 >514B00 <59 +10 >514B0400 <59 ?ack0 "
               "?finished:signal"},
        Script{"AResultRowThatCannotBeWritten", true,
               "b220 xrow:result_file:_full +100 >514B05 <59E80300 +100 >514B05 <59D00700 +100 "
               ">514B05 <59D00700 +70 ?step1:2x8571 ?throttle0 +30 >514B00 <59 +10 >514B0400 <59 "
               "?ack0 ?finished:result_file:_full"},
        Script{"ASpeedAboveTheLimit", true,
               "b5000 +100 >514B05 <59F40100 ?throttle0 +10 >514B0400 <59 ?ack0 "
               "?finished:speed_above_rpm_max"},
        Script{"NoSpeedReplyWhileDriven", true,
               "b5000 +100 >514B05 +310 >514B05 +310 >514B05 +280 <59000000 +90 ?throttle0 +10 "
               ">514B00 <59 +10 >514B0400 <59 ?ack0 ?finished:no_speed_reply"},
        Script{"TheConnectionLost", true,
               "b5000 +100 >514B05 <59E80300 +100 >514B05 +310 >514B05 +310 >514B05 +310 "
               "?unconnected ?throttle0 >514B00 <59 ?connected +10 >514B01 <593A20F403 +10 "
               ">514B0200 <5902 +10 >514B0203 <5902 +10 >514B0201 <5901 +10 >514B0202 <5902 +10 "
               ">514B0204 <5901 +10 >514B0400 <59 ?ack0 ?finished:connection_lost"}),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

}  // namespace
}  // namespace velmar::testing
