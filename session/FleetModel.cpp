// SPDX-License-Identifier: GPL-3.0-or-later
#include "FleetModel.h"

#include <algorithm>
#include <map>

namespace velmar {

bool FleetColumn::Read() const {
  if (!connected || !identity) return false;
  for (const std::optional<int32_t>& value : held)
    if (!value) return false;
  return true;
}

int FleetModel::Add(int port) {
  m_columns.push_back(FleetColumn{port, {}, false, {}, {}, {}});
  return Count() - 1;
}

void FleetModel::OpenFailed(int c, const QString& why) {
  m_columns[size_t(c)].failure = why;
}

void FleetModel::Connection(int c, bool connected) {
  FleetColumn& column = m_columns[size_t(c)];
  column.connected = connected;
  if (connected) return;
  column.identity.reset();
  for (WriteOutcome& outcome : column.outcome)
    if (outcome == WriteOutcome::Writing) outcome = WriteOutcome::Lost;
}

void FleetModel::Identified(int c, EscIdentity identity) {
  m_columns[size_t(c)].identity = identity;
}

void FleetModel::Reported(int c, SettingNumber number, int32_t index) {
  m_columns[size_t(c)].held[number] = index;
}

void FleetModel::Writing(int c, const std::vector<SettingNumber>& numbers) {
  for (SettingNumber number : numbers) m_columns[size_t(c)].outcome[number] = WriteOutcome::Writing;
}

void FleetModel::Finished(int c, ConfigureJob::Result result,
                          const std::vector<SettingNumber>& mismatched) {
  FleetColumn& column = m_columns[size_t(c)];
  // A job that ended without the ESC's last answers leaves what it wrote unknown.
  const bool answered =
      result == ConfigureJob::Result::Ok || result == ConfigureJob::Result::Mismatch;
  for (WriteOutcome& outcome : column.outcome)
    if (outcome == WriteOutcome::Writing)
      outcome = answered ? WriteOutcome::Confirmed : WriteOutcome::Lost;
  if (answered)
    for (SettingNumber number : mismatched) column.outcome[number] = WriteOutcome::Refused;
}

void FleetModel::ClearOutcomes() {
  for (FleetColumn& column : m_columns) column.outcome.fill(WriteOutcome::None);
}

std::optional<int32_t> FleetModel::Common(SettingNumber number) const {
  std::optional<int32_t> common;
  for (const FleetColumn& column : m_columns) {
    if (!column.connected) continue;
    if (!column.held[number] || (common && common != column.held[number])) return std::nullopt;
    common = column.held[number];
  }
  return common;
}

std::optional<int32_t> FleetModel::Majority(SettingNumber number) const {
  std::map<int32_t, int> counts;
  int most = 0;
  for (const FleetColumn& column : m_columns)
    if (column.connected && column.held[number])
      most = std::max(most, ++counts[*column.held[number]]);
  for (const FleetColumn& column : m_columns)
    if (column.connected && column.held[number] && counts[*column.held[number]] == most)
      return column.held[number];
  return std::nullopt;
}

bool FleetModel::Differs(SettingNumber number) const {
  std::optional<int32_t> first;
  for (const FleetColumn& column : m_columns) {
    if (!column.connected || !column.held[number]) continue;
    if (first && first != column.held[number]) return true;
    first = column.held[number];
  }
  return false;
}

bool FleetModel::Marked(int c, SettingNumber number) const {
  const FleetColumn& column = m_columns[size_t(c)];
  return column.connected && column.held[number] && Differs(number) &&
         column.held[number] != Majority(number);
}

std::vector<int> FleetModel::ToAll(SettingNumber number, int32_t index) const {
  std::vector<int> to;
  for (int c = 0; c < Count(); ++c)
    if (m_columns[size_t(c)].connected && m_columns[size_t(c)].held[number] != index)
      to.push_back(c);
  return to;
}

std::vector<SettingNumber> FleetModel::Changes(int c, const SettingChoices& wanted) const {
  std::vector<SettingNumber> changes;
  for (SettingNumber number : kComparisonOrder)
    if (wanted[number] && m_columns[size_t(c)].held[number] != wanted[number])
      changes.push_back(number);
  return changes;
}

std::optional<SettingChoices> FleetModel::Shared() const {
  SettingChoices shared;
  for (SettingNumber number : kComparisonOrder)
    if (!(shared[number] = Common(number))) return std::nullopt;
  return shared;
}

std::optional<EscIdentity> FleetModel::SharedIdentity(bool* differ) const {
  const FleetColumn* first = nullptr;
  if (differ) *differ = false;
  for (const FleetColumn& column : m_columns) {
    if (!column.connected || !column.identity) continue;
    if (!first) {
      first = &column;
    } else if (first->identity->hardware != column.identity->hardware ||
               first->identity->firmware != column.identity->firmware) {
      if (differ) *differ = true;
      return std::nullopt;
    }
  }
  return first ? first->identity : std::nullopt;
}

FleetSummary FleetModel::Summary() const {
  FleetSummary summary;
  for (int c = 0; c < Count(); ++c) {
    const FleetColumn& column = m_columns[size_t(c)];
    if (!column.failure.isEmpty()) continue;
    ++summary.total;
    summary.read += column.Read() ? 1 : 0;
    bool holds = column.connected;
    for (SettingNumber number : kComparisonOrder) {
      const WriteOutcome outcome = column.outcome[number];
      summary.written = summary.written || outcome != WriteOutcome::None;
      summary.writing = summary.writing || outcome == WriteOutcome::Writing;
      holds = holds && (outcome == WriteOutcome::None || outcome == WriteOutcome::Confirmed);
      if (outcome == WriteOutcome::Refused) summary.kept.emplace_back(c, number);
    }
    if (std::find(column.outcome.begin(), column.outcome.end(), WriteOutcome::Lost) !=
        column.outcome.end())
      summary.lost.push_back(c);
    summary.holding += holds ? 1 : 0;
  }
  return summary;
}

}  // namespace velmar
