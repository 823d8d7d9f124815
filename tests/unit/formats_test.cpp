// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QTemporaryDir>

#include "formats/SettingsFile.h"
#include "support/SchemaRows.h"

namespace velmar {
namespace {

// A whole file exactly as the writer writes it.
const QByteArray kGood =
    "{\n  \"format\": \"velmar-esc-settings\",\n  \"version\": 1,\n"
    "  \"hardware\": \"QK-10A V1.250\",\n  \"firmware\": \"V1.012\",\n  \"settings\": {\n"
    "    \"cutoffVoltage\": \"5.6V\",\n    \"cutoffType\": \"Soft Cutoff\",\n"
    "    \"brake\": \"Disable\",\n    \"timing\": \"10-20°\",\n"
    "    \"direction\": \"Forward\"\n  }\n}\n";
const QByteArray kFormat = R"("format":"velmar-esc-settings",)";
const QByteArray kHead = kFormat + R"("version":1,)";

QByteArray File(const char* settings, const QByteArray& head = kHead) {
  return "{" + head + "\"settings\":{" + settings + "}}";
}

struct Row {
  const char* label;
  QByteArray bytes;         // the file s.json in a fresh folder
  const char* expect;       // part of the message refusing it; empty for a good file
  bool readerOnly = false;  // refused by a rule the schema cannot express
  const char *path = "s.json", *writeTo = "out.json";  // in that folder unless absolute
};

const Row kRows[] = {
    {"Good", kGood, ""},
    {"Partial", File(R"("direction":"Reverse","cutoffVoltage":"12.0V")"), ""},
    {"NothingToApply", File("", kHead + R"("hardware":")" + QByteArray(64, 'x') + "\","), ""},
    {"EscapesInStrings",
     File(R"("cutoffType":"Hard Cutoff")", kHead + R"("hardware":"\\\"{\"x\":[","firmware":"\\",)"),
     ""},
    {"AtTheSizeLimit", kGood + QByteArray(kSettingsFileLimit - kGood.size(), ' '), ""},
    {"SchemaKeyIgnored",
     File(R"("brake":"Enable")", kHead + R"("$schema":"settings.schema.json",)"), ""},
    {"WriteIntoAMissingFolder", kGood, "cannot be written", false, "s.json", "none/out.json"},
    {"WriteOverAFolder", kGood, "not a regular file", false, "s.json", "."},
    {"TooLarge", kGood + QByteArray(kSettingsFileLimit + 1 - kGood.size(), ' '),
     "is larger than 64 KiB", true},
    {"OtherFormat", File("", R"("format":"velmar-bench-script",)"), R"("velmar-bench-script")"},
    {"NoSettings", R"({"format":"velmar-esc-settings","version":1})", R"("settings" is missing)"},
    {"UnknownKey", File("", kHead + R"("x":1,)"),
     R"(unknown key "x"; allowed keys: "format", "version", "hardware", "firmware", "settings")"},
    {"UnknownSetting", File(R"("speed":"1")"),
     R"("settings.speed"; allowed keys: "cutoffVoltage", "cutoffType", "brake", "timing", )"},
    {"HardwareNumber", File("", kHead + R"("hardware":5,)"), "64 characters, not 5"},
    {"HardwareTooLong", File("", kHead + R"("hardware":")" + QByteArray(65, 'x') + "\","),
     R"(at most 64 characters, not "xxx)"},
    {"SettingsArray", "{" + kHead + R"("settings":[]})", "must be an object, not []"},
    {"SettingNumber", File(R"("brake":1)"),
     R"(key "settings.brake": 1 is not allowed; allowed values: "Disable", "Enable")"},
    {"SettingWithMarker", File(R"("timing":"10-20° *")"),
     R"("10-20° *" is not allowed; allowed values: "4-10°", "10-20°", "20-30°")"},
};

using SettingsFileTest = ::testing::TestWithParam<Row>;

TEST_P(SettingsFileTest, ReadsGoodFilesWholeAndRefusesBadOnesByName) {
  const Row& row = GetParam();
  QTemporaryDir dir;
  const auto at = [&](const char* name) { return name[0] == '/' ? name : dir.filePath(name); };
  QFile in(dir.filePath("s.json"));
  ASSERT_TRUE(in.open(QIODevice::WriteOnly) && in.write(row.bytes) == row.bytes.size() &&
              in.flush());
  QString error;
  const std::optional<SettingsFile> file = ReadSettingsFile(at(row.path), &error);
  testing::KeepForSchemaCheck(QString("settings-") + row.label, row.bytes, row.readerOnly, !!file);
  const bool written = file && WriteSettingsFile(at(row.writeTo), *file, &error);
  if (*row.expect) {  // refused by name, and nothing left behind
    EXPECT_TRUE(!written && error.startsWith(at(file ? row.writeTo : row.path) + ": ") &&
                error.contains(row.expect))
        << qPrintable(error);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"s.json"});
    return;
  }
  ASSERT_TRUE(written) << qPrintable(error);
  // Every setting the file names, and no other, at its entry; the same after a round trip.
  EXPECT_EQ(SettingsJson(file->settings),
            QJsonDocument::fromJson(row.bytes)["settings"].toObject());
  EXPECT_EQ(ReadSettingsFile(at(row.writeTo), &error), file) << qPrintable(error);
  if (row.bytes != kGood) return;
  EXPECT_EQ(SettingsFileBytes(*file), kGood);
  QLocale::setDefault(QLocale::German);  // the file's texts keep their point
  SettingsFile made = *file;
  made.Identify(8250, 1012);
  EXPECT_EQ(made, *file);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsFileTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace velmar
