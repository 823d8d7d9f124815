// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "session/ConfigureJob.h"
#include "session/EscSession.h"

namespace velmar {

// How the last write of one setting to one ESC went.
enum class WriteOutcome { None, Writing, Confirmed, Refused, Lost };

// One ESC of a fleet as its column shows it.
struct FleetColumn {
  int port = 0;
  QString failure;  // why the port would not open; empty when it opened
  bool connected = false;
  std::optional<EscIdentity> identity;
  // What the ESC last reported, kept while it is away.
  SettingChoices held;
  std::array<WriteOutcome, kSettingCount> outcome{};
  bool Read() const;  // connected, identified and every setting known
};

// What the line under the grid says: how many ESCs hold what they were asked to, and
// which did not.
struct FleetSummary {
  int total = 0;    // ESCs whose port opened
  int read = 0;     // connected, identified and read
  int holding = 0;  // connected and holding every setting written to them
  bool written = false;
  bool writing = false;
  std::vector<std::pair<int, SettingNumber>> kept;  // by column: a setting the ESC refused
  std::vector<int> lost;                            // columns with a write lost
};

// The rules of the fleet window's grid, with no widget: the value every ESC shares, the
// majority and the cells that differ from it, and what became of each write.
class FleetModel {
 public:
  int Add(int port);
  int Count() const { return int(m_columns.size()); }
  const FleetColumn& Column(int c) const { return m_columns[size_t(c)]; }

  void OpenFailed(int c, const QString& why);
  void Connection(int c, bool connected);
  void Identified(int c, EscIdentity identity);
  void Reported(int c, SettingNumber number, int32_t index);
  // A write of `numbers` began, and how it ended.
  void Writing(int c, const std::vector<SettingNumber>& numbers);
  void Finished(int c, ConfigureJob::Result result, const std::vector<SettingNumber>& mismatched);
  // A new round of writes (a file, a copy) starts from clean results.
  void ClearOutcomes();

  // The value every connected ESC holds; nothing while one differs or is unread.
  std::optional<int32_t> Common(SettingNumber number) const;
  // The value most connected ESCs hold; of a tie, the one on the first column.
  std::optional<int32_t> Majority(SettingNumber number) const;
  bool Differs(SettingNumber number) const;
  // A cell that holds other than the majority, while the ESCs differ.
  bool Marked(int c, SettingNumber number) const;
  // The connected ESCs a choice in "All" goes to: those that do not hold it.
  std::vector<int> ToAll(SettingNumber number, int32_t index) const;
  // What of `wanted` ESC c does not hold.
  std::vector<SettingNumber> Changes(int c, const SettingChoices& wanted) const;
  // The settings every connected ESC shares, when they share all five.
  std::optional<SettingChoices> Shared() const;
  // The identity every connected ESC shares; nothing when none is known, or when they differ
  // (and then *differ is set).
  std::optional<EscIdentity> SharedIdentity(bool* differ = nullptr) const;
  FleetSummary Summary() const;

 private:
  std::vector<FleetColumn> m_columns;
};

}  // namespace velmar
