// SPDX-License-Identifier: GPL-3.0-or-later
// A settings file's bytes as a user might hand them over. Whatever the reader accepts has every
// setting within its list, and reads back the same once written.
#include <cstdio>
#include <cstdlib>

#include "formats/SettingsFile.h"
#include "protocol/SettingLists.h"

namespace {
void Fail(const char* rule) {
  std::fprintf(stderr, "broken rule: %s\n", rule);
  std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmar;
  QString error;
  const auto file =
      ParseSettingsFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                        QStringLiteral("fuzz"), &error);
  if (!file) {
    if (!error.startsWith(QStringLiteral("fuzz: "))) Fail("a refusal names the file");
    return 0;
  }
  for (int number = 0; number < kSettingCount; ++number)
    if (const auto index = file->settings[number];
        index && (*index < 0 || size_t(*index) >= kSettingLists[number].entries.size()))
      Fail("every setting lies within its list");
  if (ParseSettingsFile(SettingsFileBytes(*file), QStringLiteral("again"), &error) != file)
    Fail("a written file reads back the same");
  return 0;
}
