#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velmar {

// The bytes of a file a user handed us, refused when there are more than limit:
// at most limit + 1 bytes are ever read, so a device that never ends (/dev/zero)
// or a file that grows is refused as quickly as a large one. A missing file, a
// folder or a read error gives nothing, and *error names the file and the fault.
std::optional<QByteArray> ReadBounded(const QString& path, qint64 limit, QString* error);

// "64 KiB", "1 MiB": a size limit as a message gives it.
QString SizeText(qint64 bytes);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const QByteArray& bytes);

}  // namespace velmar
