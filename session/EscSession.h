// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "device/Speed.h"
#include "link/SerialLink.h"
#include "protocol/SettingLists.h"
#include "protocol/Settings.h"

namespace velmar {

// What the ESC said about itself in its identification reply.
struct EscIdentity {
  uint16_t hardware = 0;
  uint16_t firmware = 0;
};

// One speed reply as the session took it.
struct SpeedReading {
  uint32_t period = 0;
  int poles = 0;
  // This reply's own r/min; none when the period is a glitch or the motor stands.
  std::optional<int32_t> sample;
  int32_t shown = 0;        // the speed the display shows after it
  int32_t escThrottle = 0;  // the throttle the ESC last acknowledged
};

// An entry index for each setting that has one, by setting number.
using SettingChoices = std::array<std::optional<int32_t>, kSettingCount>;

// One ESC behind one link: what the program knows of it and decides for it.
// It runs the connect sequence, identification, the settings synchronisation,
// the throttle and its acknowledgement and the speed average, and says what
// changed through its signals. A window shows one; the command line runs many.
class EscSession : public QObject, private LinkClient {
  Q_OBJECT

 public:
  // A session that does not drive the motor never sends a throttle: the
  // command line's configuring commands leave the motor alone.
  EscSession(LinkServices services, bool drivesMotor, QObject* parent = nullptr);
  ~EscSession() override;

  SerialLink& Link() { return m_link; }
  const SerialLink& Link() const { return m_link; }
  bool Connected() const { return m_link.Connected(); }

  // Closes the port in use and opens port n. The throttle the ESC holds is
  // unknown after a change of port, so the next comparison sends ours. Stop()
  // first, and wait for its end, when the old port's ESC may be turning.
  bool OpenPort(int number);

  // The port is changing or the ESC was lost: unconnected, nothing known of
  // the ESC's identity, and the throttle back to 0.
  void LoseConnection();

  // The selection of a setting's list, whoever made it; a user's choice
  // (a list, Restore Default, a loaded file) is also marked as chosen, and only
  // such a choice is written over a value the ESC reported outside the list.
  void Select(SettingNumber number, int32_t index);
  void Choose(SettingNumber number, int32_t index);
  const SettingsState& Settings() const { return m_settings; }
  // Each setting the ESC reported within its list since the connection.
  SettingChoices Reported() const;
  std::optional<EscIdentity> Identity() const { return m_identity; }
  // Connected, identified and every setting answered since the connection.
  bool Synced() const;

  // Makes `choices` the user's choices. The ones that differ from what the ESC
  // reported are written at the next poll and then read back; `applied` tells
  // how that went. Returns the settings that will be written.
  std::vector<SettingNumber> Apply(const SettingChoices& choices);

  // The throttle asked for. A rise is limited to largeStep above the value last
  // accepted, a fall of any size is taken; returns the value accepted.
  int SetThrottle(int requested, int largeStep);
  int Throttle() const { return LastPower; }
  bool MotorRunning() const { return m_motorRunning; }
  int32_t EscThrottle() const { return m_escThrottle; }

  // The one stop, whoever asks: the throttle goes to 0 and its frame goes out
  // before anything else waiting, in place of the resend of an exchange lost on
  // the wire. `stopEnded` says whether the ESC acknowledged it, at once when
  // the ESC holds 0 already. Until then the throttle does not rise.
  void Stop();
  bool Stopping() const { return m_stopping; }
  // The ESC acknowledged 0 and no other throttle went out since, or none ever
  // went out on this port: there is nothing to stop.
  bool AtRest() const { return !m_mayTurn; }

  // The motor's magnet-pole count, for the samples to come.
  void SetPoles(int poles) { m_poles = poles; }
  int Poles() const { return m_poles; }

 signals:
  void connectionChanged(bool connected);
  void identified(EscIdentity identity);
  // The ESC answered a read or write of a setting within its list: the list
  // shows that entry now.
  void settingReported(SettingNumber number, int32_t index);
  // Every setting an Apply wrote has been read back; `mismatched` lists those
  // the ESC holds otherwise than asked.
  void applied(std::vector<SettingNumber> mismatched);
  // The throttle the session holds changed (a limited rise, a stop, a lost ESC).
  void throttleChanged(int throttle);
  void throttleAcknowledged(int throttle);
  // What the speed display shows.
  void speedShown(int32_t rpm);
  // The speed average started anew.
  void speedReset();
  void speedRead(SpeedReading reading);
  // Identity or connection changed in a way that makes Synced() worth asking.
  void syncChanged();
  // A Stop() ended: the ESC acknowledged the 0, or the link fell back (or lost
  // the port) first and the motor may still be turning.
  void stopEnded(bool confirmed);

 private:
  Command IdleCommand() const override;
  void BeforeSend(CmdRecord& head) override;
  void ReplyComplete(const CmdRecord& head) override { ProcessReply(head); }
  void FellBack() override;
  void Dropped(const CmdRecord& head) override;
  void EndStop(bool confirmed);

  void ProcessReply(const CmdRecord& head);
  void PollReply();
  void IdentifyReply(const CmdRecord& head);
  void SettingReply(const CmdRecord& head);
  void ThrottleAcknowledged(const CmdRecord& head);
  void SpeedReply(const CmdRecord& head);
  void CompareThrottle();
  void ResetSpeedAverage();
  void ShowSpeed(int32_t rpm);
  void NoteApplyReply(SettingNumber number, bool write);

  SerialLink m_link;
  const bool m_drivesMotor;
  SettingsState m_settings;
  std::optional<EscIdentity> m_identity;
  int32_t LastPower = 0;
  int32_t m_escThrottle = 0;
  bool m_motorRunning = false;
  bool m_mayTurn = false;   // a throttle above 0 went out since the last 0 acknowledged
  bool m_stopping = false;  // a Stop() awaits its acknowledgement
  int m_poles = 2;
  RpmAverage m_rpm;
  int32_t m_shown = 0;
  // An Apply under way: the settings still to be written, then read back.
  std::array<bool, kSettingCount> m_toWrite{};
  std::array<bool, kSettingCount> m_toReadBack{};
  SettingChoices m_applyTarget{};
  std::vector<SettingNumber> m_mismatched;
};

}  // namespace velmar
