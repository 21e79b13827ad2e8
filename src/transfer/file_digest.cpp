// Hashing a file with Qt's own SHA-256, read in pieces so a large file costs no memory.
#include "transfer/file_digest.h"

#include <QCryptographicHash>
#include <QFile>

#include "platform/exceptions.h"
#include "platform/prefix.h"

namespace prenos {

TFileDigest DigestFile(const std::string& fileName) {
  QFile file(QString::fromStdString(MapWindowsPath(fileName).string()));
  if (!file.open(QIODevice::ReadOnly))
    throw Exception("Datoteke " + fileName +
                    " ni mogo\xE8"
                    "e prebrati.");
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file))
    throw Exception("Datoteke " + fileName +
                    " ni mogo\xE8"
                    "e prebrati.");
  return TFileDigest{static_cast<int64_t>(file.size()), hash.result().toHex().toStdString()};
}

}  // namespace prenos
