// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace velmar {

// The JSON files a user hands the program (settings, bench scripts) are read whole into memory,
// so they may hold no more than this.
inline constexpr qint64 kStrictJsonLimit = 64 * 1024;

// The bytes of a file a user handed us, refused when there are more than limit. Only a regular
// file is opened: a device or a pipe (/dev/zero, a FIFO) could block the open or never end. A
// missing file or a read error gives nothing too, and *error names the file and the fault.
std::optional<QByteArray> ReadBounded(const QString& path, qint64 limit, QString* error);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const QByteArray& bytes);

// The top-level object of a JSON file's bytes, refused on any fault that QJsonDocument would let
// pass or leave vague: more than kStrictJsonLimit bytes, bytes that are not UTF-8, a JSON fault
// (with its line and column), a top level that is no object, a raw control character inside a
// string, a key given twice in one object (by its path, escapes undone). *error then says what,
// to follow the file's name and a colon. A top-level "$schema" key, which tells an editor where
// the file's JSON Schema is, is accepted with any value and left out of the object.
std::optional<QJsonObject> ParseStrictObject(const QByteArray& bytes, QString* error);

// Whether the object's "format" is `format` and its "version" `version`. A whole version above
// it is told as a file from a newer program, so a caller checks this before unknown keys.
bool CheckFormatAndVersion(const QJsonObject& object, const QString& format, int version,
                           QString* error);

// A value as a message quotes it ("found 5", "found the text \"...\""); long text is cut, the
// file is untrusted.
QString Found(const QJsonValue& value);

}  // namespace velmar
