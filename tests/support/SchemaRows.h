// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>

namespace velmar::testing {

// A reader table's file for the schema check (tests/unit/schemas_test.py), which names a folder
// in VELMAR_SCHEMA_ROWS, with the reader's verdict; readerOnly: refused by a rule no schema
// can express.
inline void KeepForSchemaCheck(const QString& name, const QByteArray& bytes, bool readerOnly,
                               bool accepted) {
  const char* verdict = readerOnly ? "reader-only" : accepted ? "good" : "bad";
  QFile file(qEnvironmentVariable("VELMAR_SCHEMA_ROWS") + '/' + name + '.' + verdict + ".json");
  if (qEnvironmentVariableIsSet("VELMAR_SCHEMA_ROWS") && file.open(QIODevice::WriteOnly))
    file.write(bytes);
}

}  // namespace velmar::testing
