#include "formats/BoundedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace velmar {

QString SizeText(qint64 bytes) {
  const bool mebi = bytes % (1024 * 1024) == 0;
  return QStringLiteral("%1 %2").arg(bytes / (mebi ? 1024 * 1024 : 1024)).arg(mebi ? "MiB" : "KiB");
}

std::optional<QByteArray> ReadBounded(const QString& path, qint64 limit, QString* error) {
  const auto fail = [&](const QString& what) -> std::optional<QByteArray> {
    if (error) *error = QStringLiteral("%1: %2").arg(path, what);
    return std::nullopt;
  };
  const auto tooLarge = [&] {
    return fail(QStringLiteral("is larger than %1").arg(SizeText(limit)));
  };
  const QFileInfo info(path);
  if (!info.exists()) return fail(QStringLiteral("no such file"));
  if (info.isDir()) return fail(QStringLiteral("is a folder, not a file"));
  // A regular file's size is known before reading; a device's or a pipe's is not.
  if (info.isFile() && info.size() > limit) return tooLarge();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return fail(QStringLiteral("cannot be read (%1)").arg(file.errorString()));
  QByteArray bytes;
  while (bytes.size() <= limit) {
    const QByteArray chunk = file.read(limit + 1 - bytes.size());
    if (chunk.isEmpty()) break;
    bytes += chunk;
  }
  if (file.error() != QFileDevice::NoError)
    return fail(QStringLiteral("cannot be read (%1)").arg(file.errorString()));
  if (bytes.size() > limit) return tooLarge();
  return bytes;
}

bool IsUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(bytes);
  return !decoder.hasError();
}

}  // namespace velmar
