// SPDX-License-Identifier: GPL-3.0-or-later
// The ESC session on a scripted port and a manual clock: bytes in, time on, what it reports.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>

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
    QObject::connect(session.get(), &EscSession::stopEnded,
                     [=](bool confirmed) { note(confirmed ? "stopped" : "unconfirmed"); });
  }

  // Runs a byte script (support/ByteScript.h) with these steps too:
  //   !TEXT   the session has not reported TEXT since the last ?
  //   ?TEXT   the session reported TEXT since the last ? (earlier reports are passed over)
  //   cN=I    the user chooses entry I of setting N;  aN=I,.. Apply those choices
  //   tV      the throttle asked for;  pN  the pole count
  //   S / s   the session reads synced / not synced
  //   jTEXT   the configure job's result (ok, absent, refused, mismatch, lost; pending: none)
  //   bH      a bench run: 30 settled 150 ms, held H ms; 35 held 250 ms; rpm_max 30000, no_speed_ms
  //           1100; bD: 30, 10 and 0 held 250, 400 and 200 ms, no_speed_ms 150; reports
  //           stepN:SAMPLESxMEAN, finished:REASON (_ a space);  xREASON Stop(REASON); F  the result
  //           file fills up: its next row cannot be written
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
      if (op == 'b' && arg == "D")  // down from 30 below the run band, then 0; quick speed watch
        StartRun({14, {{30, 0ms, 250ms}, {10, 0ms, 400ms}, {0, 0ms, 200ms}}, 30000, 150ms});
      else if (op == 'b')
        StartRun({14,
                  {{30, 150ms, std::chrono::milliseconds(arg.toInt())}, {35, 0ms, 250ms}},
                  30000,
                  1100ms});
      if (op == 'F') FillTheResultFile();
      if (op == 'x' && run) run->Stop(QString(arg).replace('_', ' '));
      return QByteArray("catpSsbxF").contains(op) ? arg : "unknown step";
    });
  }

  void StartRun(const BenchScript& script) {
    run = std::make_unique<BenchRun>(*session, script, clock.MakeTimer(),
                                     [&] { return clock.Now(); });
    QObject::connect(run.get(), &BenchRun::stepDone, [this](StepResult r) {
      reports << QStringLiteral("step%1:%2x%3").arg(r.step).arg(r.samples).arg(r.rpmMean);
    });
    QObject::connect(run.get(), &BenchRun::finished, [this](BenchResult r) {
      reports << "finished:" + r.stopped.section(':', 0, 0).replace(' ', '_');
    });
    ASSERT_TRUE(run->WriteResultTo(folder.filePath("result.csv"), nullptr));
    run->Start();
  }
  // The file system refuses to let the result grow: a row written now fails.
  void FillTheResultFile() {
    std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    rlimit full = unlimited;
    full.rlim_cur = QFileInfo(folder.filePath("result.csv")).size();
    ::setrlimit(RLIMIT_FSIZE, &full);
  }
  void TearDown() override {
    if (unlimited.rlim_cur) ::setrlimit(RLIMIT_FSIZE, &unlimited);
  }
  rlimit unlimited{};

  ScriptedPort port;
  ManualClock clock;
  std::unique_ptr<EscSession> session;
  std::unique_ptr<ConfigureJob> job;
  std::unique_ptr<BenchRun> run;
  QTemporaryDir folder;
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
               "?rpm0 ?throttle0 +100 >514B00 "
               "<59 +10 >514B0400 <59 ?reset ?ack0 +100 >514B00"},
        // A throttle sent while the ESC is slow goes out again as it stands now.
        Script{"AResendCarriesTheLatestThrottle", true,
               "t5 +100 >514B00 <59 +10 >514B0405 t0 +310 >514B0400 <59 ?ack0 +100 >514B00"},
        // Three unanswered throttle frames: the ESC may hold any of them. Its 0 goes out at once,
        // unanswered here, so the stop is unconfirmed; the reconnection sends the throttle, now
        // 0, after the connect sequence.
        Script{"AFallBackStopsAndTheReconnectionSendsTheThrottle", true,
               "t5 +100 >514B00 <59 +10 >514B0405 +310 >514B0405 +310 >514B0405 +310 ?unconnected "
               "?throttle0 s +10 >514B0400 +300 ?unconfirmed +10 >514B00 <59 ?connected +10 "
               ">514B01 <593A20F403 +10 >514B0200 <5902 "
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
               "<59E80300 +100 >514B05 <59E80300 +50 ?step2:2x17142 ?throttle0 +50 >514B0400 <59 "
               "?ack0 ?stopped ?finished:"},
        Script{"AStopFromOutsideKeepsTheFirstReason", true,
               "b5000 +50 xsignal xuser ?throttle0 +50 >514B0400 <59 ?ack0 ?stopped "
               "?finished:signal"},
        Script{"AResultRowThatCannotBeWritten", true,
               "b220 F +100 >514B05 <59E80300 +100 >514B05 <59D00700 +100 "
               ">514B05 <59D00700 +70 ?step1:2x8571 ?throttle0 +30 >514B0400 <59 "
               "?ack0 ?finished:result_file"},
        // Below the run band there is no speed to watch: a script down to 0 runs to its end.
        Script{"StepsDownBelowTheRunBandRunToTheirEnd", true,
               "bD +100 >514B05 <59E80300 +100 >514B05 <59E80300 +50 ?step1:2x17142 +50 >514B00 "
               "<59 +10 >514B040A <59 ?ack10 +100 >514B00 <59 +100 >514B00 <59 +100 >514B00 <59 "
               "+100 >514B00 <59 ?step2:0x0 +10 >514B0400 <59 ?ack0 +100 >514B00 <59 +100 >514B00 "
               "<59 ?step3:0x0 ?stopped ?finished:"},
        Script{"ASpeedAboveTheLimit", true,
               "b5000 +100 >514B05 <59F40100 ?throttle0 +10 >514B0400 <59 ?ack0 "
               "?finished:speed_above_rpm_max"},
        Script{"NoSpeedReplyWhileDriven", true,
               "b5000 +100 >514B05 +310 >514B05 +310 >514B05 +280 <59000000 +90 ?throttle0 +10 "
               ">514B0400 <59 ?ack0 ?finished:no_speed_reply"},
        Script{"TheConnectionLost", true,
               "b5000 +100 >514B05 <59E80300 +100 >514B05 +310 >514B05 +310 >514B05 +310 "
               "?unconnected ?throttle0 +10 >514B0400 <59 ?ack0 ?stopped ?finished:connection_lost "
               "+100 >514B00 <59 ?connected +10 >514B01"}),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

}  // namespace
}  // namespace velmar::testing
