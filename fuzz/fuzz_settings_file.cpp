// SPDX-License-Identifier: GPL-3.0-or-later
// A settings file's bytes as a user might hand them over. Whatever the reader accepts has every
// setting within its list, and reads back the same once written.
#include <cstdio>
#include <cstdlib>

#include "formats/SettingsFile.h"
#include "protocol/SettingLists.h"

static void Require(bool holds, const char* rule) {
  if (!holds) std::fprintf(stderr, "broken: %s\n", rule), std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmar;
  QString error;
  const auto file =
      ParseSettingsFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                        QStringLiteral("fuzz"), &error);
  Require(file || error.startsWith(QStringLiteral("fuzz: ")), "a refusal names the file");
  if (!file) return 0;
  for (int number = 0; number < kSettingCount; ++number)
    if (const auto index = file->settings[number])
      Require(*index >= 0 && size_t(*index) < kSettingLists[number].entries.size(),
              "every setting lies within its list");
  Require(ParseSettingsFile(SettingsFileBytes(*file), QStringLiteral("again"), &error) == file,
          "a written file reads back the same");
  return 0;
}
