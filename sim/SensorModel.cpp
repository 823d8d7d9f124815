// SPDX-License-Identifier: GPL-3.0-or-later
#include "SensorModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace velmar::sim {
namespace {

constexpr double kFiguresRpm = 10'000;
constexpr double kRadiansPerSecondPerRpm = 2 * std::numbers::pi / 60;
// Each quantity's noise at scale 1: what a hobby thrust stand's load cells and shunt show.
constexpr SensorReading kSpread{0.5, 0.0002, 0.02, 0.005};
// A board repeats its header, since whoever opens the port may have missed the one at reset.
constexpr auto kHeaderEvery = std::chrono::seconds(5);
// Leading zeros keep the overlong line's figure right, so its length is all that is wrong.
constexpr std::size_t kOverlongPadding = 260;
constexpr const char* kBoardText = "Tare complete";
constexpr std::array<const char*, 4> kNames = {"thrust_g", "torque_nm", "current_a", "voltage_v"};

using Fields = std::vector<std::string>;

std::string Fixed(double value, int decimals) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

Fields FieldsOf(const SensorReading& r) {
  return {Fixed(r.thrust, 2), Fixed(r.torque, 5), Fixed(r.current, 3), Fixed(r.voltage, 3)};
}

std::string Join(const Fields& fields, bool csv) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += csv ? "," : " ";
    if (!csv) line += std::string(kNames.at(i)) + ":";
    line += fields[i];
  }
  return line;
}

}  // namespace

SensorReading Sense(const PropellerOptions& o, double rpm, const NormalSource& normal) {
  const double load = (rpm / kFiguresRpm) * (rpm / kFiguresRpm);
  const double torque = o.torqueAt10k * load;
  const double power = torque * rpm * kRadiansPerSecondPerRpm;
  // The current sags the voltage, which raises the current the same power needs: with
  // V = Vb - R·I and I = I0 + P/(ηV), V is the larger root of V² - (Vb - R·I0)·V + R·P/η.
  const double rest = o.batteryVoltage - o.resistance * o.idleCurrent;
  const double sag = 4 * o.resistance * power / o.efficiency;
  const double voltage = (rest + std::sqrt(std::max(0.0, rest * rest - sag))) / 2;
  const double current = o.idleCurrent + power / (o.efficiency * voltage);

  const auto noisy = [&](double value, double spread) {
    return o.noise == 0 ? value : value + o.noise * spread * normal();
  };
  return {noisy(o.thrustAt10k * load + o.thrustTare, kSpread.thrust),
          noisy(torque + o.torqueTare, kSpread.torque), noisy(current, kSpread.current),
          noisy(voltage, kSpread.voltage)};
}

std::string FormatReading(const SensorReading& reading, bool csv) {
  return Join(FieldsOf(reading), csv);
}

std::vector<Junk> JunkKinds(bool csv) {
  std::vector<Junk> kinds = {Junk::kOverlong,   Junk::kNonAscii,  Junk::kNotNumber, Junk::kInfinite,
                             Junk::kFieldCount, Junk::kBoardText, Junk::kPartial};
  if (!csv) std::erase(kinds, Junk::kFieldCount);
  return kinds;
}

std::string JunkLine(Junk kind, const SensorReading& reading, bool csv) {
  Fields fields = FieldsOf(reading);
  switch (kind) {
    case Junk::kOverlong: {
      const std::size_t sign = fields[0].starts_with('-') ? 1 : 0;
      fields[0].insert(sign, kOverlongPadding, '0');
      break;
    }
    case Junk::kNonAscii:
      return "\xFF\xFE" + Join(fields, csv) + kSensorLineEnd;
    case Junk::kNotNumber:
      fields[0] = "nan";
      break;
    case Junk::kInfinite:
      fields[2] = "1e999";
      break;
    case Junk::kFieldCount:
      fields.pop_back();
      break;
    case Junk::kBoardText:
      return std::string(kBoardText) + kSensorLineEnd;
    case Junk::kPartial:
      // Up to the second separator: the next line's first figure runs into the second one.
      fields.resize(2);
      return Join(fields, csv);
  }
  return Join(fields, csv) + kSensorLineEnd;
}

SensorFeed::SensorFeed(const SensorOptions& options, std::uint32_t seed, Time start)
    : m_options(options), m_start(start), m_nextHeader(start), m_random(seed) {
  if (options.silentAfter) m_silentAt = start + *options.silentAfter;
}

Time SensorFeed::SlotTime(std::int64_t slot) const {
  const std::int64_t rate = m_options.rate;
  return m_start + std::chrono::seconds(slot / rate) +
         Time(Time::period::den * (slot % rate) / rate);
}

void SensorFeed::SkipTo(Time now) {
  const std::int64_t rate = m_options.rate;
  const Time elapsed = now - m_start;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed);
  const auto slot = seconds.count() * rate + (elapsed - seconds).count() * rate / Time::period::den;
  m_slot = std::max(m_slot, slot);
  while (SlotTime(m_slot) <= now) ++m_slot;
}

void SensorFeed::Silence(Time now) {
  if (!m_silentAt || now < *m_silentAt) return;
  m_sending = false;
  m_silentAt.reset();
}

std::string SensorFeed::Take(Time now, double rpm) {
  Silence(now);
  if (!m_sending || now < SlotTime(m_slot)) return {};
  SkipTo(now);
  const bool joining = m_joining;
  std::string out = Line(Sense(m_options.propeller, rpm, [this] { return m_normal(m_random); }));
  if (!m_options.csv || now < m_nextHeader) return out;
  while (m_nextHeader <= now) m_nextHeader += kHeaderEvery;
  // A header that joined a partial line would be lost with it; the line can take that instead.
  const std::string header = std::string(kSensorCsvHeader) + kSensorLineEnd;
  return joining ? out + header : header + out;
}

std::optional<Time> SensorFeed::NextWake() const {
  if (!m_sending) return std::nullopt;
  const Time due = SlotTime(m_slot);
  if (m_silentAt && due >= *m_silentAt) return std::nullopt;
  return due;
}

void SensorFeed::SetSending(bool sending, Time now) {
  Silence(now);
  m_sending = sending;
}

std::string SensorFeed::Line(const SensorReading& reading) {
  ++m_lines;
  if (m_options.junkEvery <= 0 || m_lines % m_options.junkEvery != 0) {
    m_joining = false;
    return FormatReading(reading, m_options.csv) + kSensorLineEnd;
  }
  const auto kinds = JunkKinds(m_options.csv);
  const Junk kind = kinds[m_junk++ % kinds.size()];
  m_joining = kind == Junk::kPartial;
  return JunkLine(kind, reading, m_options.csv);
}

}  // namespace velmar::sim
