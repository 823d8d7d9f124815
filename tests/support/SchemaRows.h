// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>

namespace velmar::testing {

// Hands a file from a reader's table to the schema check (tests/unit/schemas_test.py), which runs
// the reader's test with VELMAR_SCHEMA_ROWS naming a folder: the bytes under a name that holds the
// reader's verdict, "good", "bad", or "reader-only" for a rule no schema can express.
inline void KeepForSchemaCheck(const QString& name, const QByteArray& bytes, const char* verdict) {
  const QString dir = qEnvironmentVariable("VELMAR_SCHEMA_ROWS");
  QFile file(dir + '/' + name + '.' + verdict + ".json");
  if (!dir.isEmpty() && file.open(QIODevice::WriteOnly)) file.write(bytes);
}

}  // namespace velmar::testing
