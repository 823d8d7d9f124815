// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimOptions.h"

#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

namespace velmar::sim {
namespace {

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

std::optional<long long> ParseInteger(std::string_view text, long long low, long long high) {
  const auto value = ParseNumber<long long>(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

std::optional<double> ParseReal(std::string_view text, double low, double high) {
  const auto value = ParseNumber<double>(text);
  if (!value || !(*value >= low && *value <= high)) return std::nullopt;
  return value;
}

std::optional<Time> ParseMillis(std::string_view text) {
  const auto millis = ParseReal(text, 0, 3'600'000);
  if (!millis) return std::nullopt;
  return std::chrono::duration_cast<Time>(std::chrono::duration<double, std::milli>(*millis));
}

std::optional<Settings> ParseSettings(std::string_view text) {
  Settings settings{};
  for (int i = 0; i < kSettingCount; ++i) {
    const auto comma = text.find(',');
    const bool last = i == kSettingCount - 1;
    if (last != (comma == std::string_view::npos)) return std::nullopt;
    const auto value = ParseInteger(text.substr(0, comma), 0, 0xFF);
    if (!value) return std::nullopt;
    settings[i] = static_cast<std::uint8_t>(*value);
    if (!last) text.remove_prefix(comma + 1);
  }
  return settings;
}

// Each option that takes a value stores it, or says false when the value is not acceptable.
using Setter = std::function<bool(SimOptions&, std::string_view)>;

template <typename T, typename F>
bool Store(std::optional<T> value, F&& assign) {
  if (!value) return false;
  assign(*value);
  return true;
}

const std::map<std::string, Setter, std::less<>>& ValueOptions() {
  static const std::map<std::string, Setter, std::less<>> kOptions = {
      {"--settings",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseSettings(v), [&](Settings s) { o.esc.settings = s; });
       }},
      {"--hw",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseInteger(v, 0, 0xFFFF),
                      [&](long long n) { o.esc.hardware = static_cast<std::uint16_t>(n); });
       }},
      {"--fw",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseInteger(v, 0, 0xFFFF),
                      [&](long long n) { o.esc.firmware = static_cast<std::uint16_t>(n); });
       }},
      {"--max-rpm",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 1, 10'000'000), [&](double r) { o.esc.motor.maxRpm = r; });
       }},
      {"--poles",
       [](SimOptions& o, std::string_view v) {
         const auto poles = ParseInteger(v, 2, 254);
         if (poles && *poles % 2 != 0) return false;
         return Store(poles, [&](long long n) { o.esc.motor.poles = static_cast<int>(n); });
       }},
      {"--tau",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseMillis(v), [&](Time t) { o.esc.motor.tau = t; });
       }},
      {"--failsafe",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseMillis(v), [&](Time t) { o.esc.failsafe = t; });
       }},
      {"--reply-delay",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseMillis(v), [&](Time t) { o.esc.line.replyDelay = t; });
       }},
      {"--split",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseMillis(v), [&](Time t) { o.esc.line.split = t; });
       }},
      {"--seed",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseInteger(v, 0, 0xFFFFFFFF),
                      [&](long long n) { o.esc.line.seed = static_cast<std::uint32_t>(n); });
       }},
      {"--drop",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 0, 1), [&](double p) { o.esc.line.drop = p; });
       }},
      {"--noise",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 0, 1), [&](double p) { o.esc.line.noise = p; });
       }},
      {"--corrupt",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 0, 1), [&](double p) { o.esc.line.corrupt = p; });
       }},
      {"--link",
       [](SimOptions& o, std::string_view v) {
         o.linkPath = v;
         return !v.empty();
       }},
      {"--log",
       [](SimOptions& o, std::string_view v) {
         o.logPath = v;
         return !v.empty();
       }},
      {"--sensor",
       [](SimOptions& o, std::string_view v) {
         o.sensorPath = v;
         return !v.empty();
       }},
      {"--sensor-rate",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseInteger(v, 1, 2000),
                      [&](long long n) { o.sensor.rate = static_cast<int>(n); });
       }},
      {"--sensor-junk",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseInteger(v, 1, 1'000'000),
                      [&](long long n) { o.sensor.junkEvery = static_cast<int>(n); });
       }},
      {"--sensor-silent-after",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseMillis(v), [&](Time t) { o.sensor.silentAfter = t; });
       }},
      {"--sensor-thrust",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 0, 100'000),
                      [&](double g) { o.sensor.propeller.thrustAt10k = g; });
       }},
      {"--sensor-torque",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 0, 100),
                      [&](double nm) { o.sensor.propeller.torqueAt10k = nm; });
       }},
      {"--sensor-tare",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, -100'000, 100'000),
                      [&](double g) { o.sensor.propeller.thrustTare = g; });
       }},
      {"--sensor-battery",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 1, 100),
                      [&](double volts) { o.sensor.propeller.batteryVoltage = volts; });
       }},
      {"--sensor-noise",
       [](SimOptions& o, std::string_view v) {
         return Store(ParseReal(v, 0, 100), [&](double k) { o.sensor.propeller.noise = k; });
       }},
  };
  return kOptions;
}

bool ApplyFlag(SimOptions& options, std::string_view name) {
  if (name == "--help" || name == "-h") {
    options.help = true;
  } else if (name == "--version") {
    options.version = true;
  } else if (name == "--reject-writes") {
    options.esc.rejectWrites = true;
  } else if (name == "--echo") {
    options.esc.line.echo = true;
  } else if (name == "--wire-time") {
    options.esc.line.wireTime = true;
  } else if (name == "--sensor-csv") {
    options.sensor.csv = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    const auto equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    if (equals == std::string_view::npos && ApplyFlag(parsed.options, name)) continue;

    const auto option = ValueOptions().find(name);
    if (option == ValueOptions().end()) {
      parsed.error = "unknown option " + std::string(arg);
      return parsed;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      parsed.error = std::string(name) + " needs a value";
      return parsed;
    }
    if (!option->second(parsed.options, value)) {
      parsed.error = "bad value for " + std::string(name) + ": " + std::string(value);
      return parsed;
    }
  }
  if (!parsed.options.sensorPath.empty() && parsed.options.sensorPath == parsed.options.linkPath)
    parsed.error = "--sensor and --link need two paths";
  return parsed;
}

std::string Usage() {
  return R"(Usage: velmar-esc-sim [options]

Simulates a Velmar ESC on a pseudo-terminal. The first line on standard output is the
device's path; with --sensor, the second line is "sensor " and the bench sensor's device
path. Nothing else is printed there.

The ESC:
  --settings A,B,C,D,E  start-up wire values of the five settings (default 2,1,2,2,1)
  --reject-writes       keep every setting as it is, answering with the old value
  --hw N                hardware code (default 8250)
  --fw N                firmware version code (default 1012, shown as V1.012)
  --max-rpm R           speed at full throttle (default 12000); a propeller's drag flattens
                        the speed's rise towards the top (half throttle gives 62 % of it)
  --poles N             motor poles (default 14)
  --tau MS              time constant of the speed following the throttle (default 400)
  --failsafe MS         throttle off after this long without a request (default 1000, 0 = never)

The line:
  --echo                hand every received byte back, as a half-duplex line does
  --wire-time           send no byte faster than 38400 baud allows
  --reply-delay MS      wait this long before answering
  --split MS            send each reply in two parts with this pause between
  --drop P              probability that a request gets no answer
  --noise P             probability of 1-3 stray bytes before an answer
  --corrupt P           probability that one data byte of an answer is changed
  --seed N              seed for the faults and the sensor's noise (default 1)

The bench sensor, a thrust stand under a propeller on the motor:
  --sensor PATH         also serve a bench sensor on a second pseudo-terminal, with PATH a
                        symbolic link to it (removed at exit)
  --sensor-rate N       lines a second, 1 to 2000 (default 100)
  --sensor-csv          CSV rows under a header (sent at the start and every 5 s) instead
                        of name:value pairs
  --sensor-junk N       make every Nth line one a reader must skip, in turn: over 256 bytes,
                        non-ASCII, nan, 1e999, a CSV row one field short, the board's
                        "Tare complete", a partial line that spoils the next
  --sensor-silent-after MS
                        stop sending this long after the start
  --sensor-thrust G     the propeller's thrust at 10000 r/min, in grams (default 450)
  --sensor-torque NM    its torque at 10000 r/min, in newton-metres (default 0.040)
  --sensor-tare G       what the load cell reads with the motor standing (default 37.5)
  --sensor-battery V    the battery's voltage at rest (default 16.8)
  --sensor-noise F      scale of the readings' noise (default 1, 0 = none)

The program:
  --link PATH           also make PATH a symbolic link to the device (removed at exit)
  --log FILE            log every request, answer and event with CLOCK_MONOTONIC microseconds
  --help                show this text
  --version             show the version

Commands on standard input, one a line: mute, unmute, set N V, hangup, mark TEXT,
sensor off, sensor on, quit.
End of input does not stop the simulator; SIGINT, SIGTERM or quit do.
)";
}

}  // namespace velmar::sim
