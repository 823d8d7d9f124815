// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/SensorLine.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace velmar {
namespace {

// The quantities by their names on the line, in SensorSample's order.
constexpr std::array<std::string_view, 4> kNames{"thrust_g", "torque_nm", "current_a", "voltage_v"};

int QuantityIndex(std::string_view name) {
  for (size_t i = 0; i < kNames.size(); ++i)
    if (kNames[i] == name) return int(i);
  return -1;
}

std::optional<double>& Field(SensorSample& s, int index) {
  std::optional<double>* fields[] = {&s.thrust, &s.torque, &s.current, &s.voltage};
  return *fields[index];
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A finite number, the whole text: no blanks, no "nan", no "inf", nothing beyond double.
std::optional<double> Number(std::string_view text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

bool Identifier(std::string_view s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (const char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return true;
}

// Splits on any run of the separators, leaving out empty pieces.
template <typename F>
void Split(std::string_view s, std::string_view separators, F&& each) {
  while (!s.empty()) {
    const size_t at = s.find_first_of(separators);
    if (at != 0) each(s.substr(0, at));
    if (at == std::string_view::npos) return;
    s.remove_prefix(at + 1);
  }
}

// CSV fields, empty ones included: "1,,2" is three fields.
std::vector<std::string_view> Fields(std::string_view s) {
  std::vector<std::string_view> fields;
  for (size_t at; (at = s.find(',')) != std::string_view::npos; s.remove_prefix(at + 1))
    fields.push_back(Trimmed(s.substr(0, at)));
  fields.push_back(Trimmed(s));
  return fields;
}

}  // namespace

std::optional<double> SensorSample::Power() const {
  if (!voltage || !current) return std::nullopt;
  return *voltage * *current;
}

void SensorLineReader::Feed(QByteArrayView bytes, std::chrono::milliseconds now,
                            std::vector<SensorSample>* samples) {
  while (!bytes.isEmpty()) {
    const qsizetype end = bytes.indexOf('\n');
    const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
    // A line past its bound is dropped as it comes, never held whole: room for its '\r'.
    if (!m_overlong && m_partial.size() + piece.size() > kMaxLine + 1) {
      m_overlong = true;
      m_partial.clear();
    }
    if (!m_overlong) m_partial.append(piece);
    if (end < 0) return;
    bytes = bytes.sliced(end + 1);
    if (m_partial.endsWith('\r')) m_partial.chop(1);
    if (m_overlong || m_partial.size() > kMaxLine)
      ++m_skipped;
    else
      Line(m_partial, now, samples);
    m_partial.clear();
    m_overlong = false;
  }
}

void SensorLineReader::Line(QByteArrayView bytes, std::chrono::milliseconds now,
                            std::vector<SensorSample>* samples) {
  const std::string_view line = Trimmed(std::string_view(bytes.data(), size_t(bytes.size())));
  if (line.empty()) return;
  for (const char c : line)
    if (c != '\t' && (c < 0x20 || c > 0x7e)) return void(++m_skipped);
  SensorSample sample{now, {}, {}, {}, {}};
  bool known = false, bad = false;
  if (line.find(':') != std::string_view::npos) {
    // name:value pairs
    Split(line, " \t,", [&](std::string_view pair) {
      const size_t colon = pair.find(':');
      const auto value =
          colon == std::string_view::npos ? std::nullopt : Number(pair.substr(colon + 1));
      if (!value || !Identifier(pair.substr(0, colon))) return void(bad = true);
      const int index = QuantityIndex(pair.substr(0, colon));
      if (index < 0) return;
      Field(sample, index) = value;
      known = true;
    });
  } else if (std::isalpha(static_cast<unsigned char>(line[0])) || line[0] == '_') {
    // A header names its columns, at least one of them known; any other text is the board's own.
    std::vector<int> columns;
    for (const std::string_view name : Fields(line)) {
      if (!Identifier(name)) return void(++m_skipped);
      columns.push_back(QuantityIndex(name));
      known = known || columns.back() >= 0;
    }
    if (!known) return void(++m_skipped);
    m_columns = std::move(columns);
    return;
  } else {
    // A row under the last header; before any, there are no columns for it to match.
    const std::vector<std::string_view> fields = Fields(line);
    bad = fields.size() != m_columns.size();
    for (size_t i = 0; i < fields.size() && !bad; ++i) {
      const auto value = Number(fields[i]);
      bad = !value;
      if (value && m_columns[i] >= 0) Field(sample, m_columns[i]) = value;
    }
    known = !bad;
  }
  if (bad) return void(++m_skipped);
  if (known) samples->push_back(sample);
}

}  // namespace velmar
