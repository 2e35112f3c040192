#include "base/FileFailure.h"

#include "base/AtomicFile.h"
#include "base/SystemError.h"

QString fileFailureReason(int err, const std::string& path) {
    switch (fileKind(path)) {
    case FileKind::Folder:
        return QStringLiteral("Это папка, а не файл.");
    case FileKind::Fifo:
        return QStringLiteral("Это канал (FIFO), а не обычный файл.");
    case FileKind::Device:
        return QStringLiteral("Это устройство, а не обычный файл.");
    case FileKind::Socket:
        return QStringLiteral("Это сокет, а не обычный файл.");
    default:
        return QString::fromStdString(errorReason(err, ReasonLanguage::Russian));
    }
}
