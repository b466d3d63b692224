// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/Preview.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QStringDecoder>

#include <string_view>

#include "engine/TextReader.h"

namespace torvan {
namespace {

// How far a carriage return looks for the line feed it belongs to.
constexpr qint64 kLookAhead = 64;

}  // namespace

QString PreviewHeader(const QString& path) {
    return QStringLiteral("To help you with the conversion settings, your file...\r\n\r\n\t") +
           QDir::toNativeSeparators(path).left(kPreviewPathChars) +
           QStringLiteral("\r\n\r\nlooks like this...\r\n\r\n");
}

QList<QByteArray> ReadPreviewSegments(QIODevice& file, int maxSegments) {
    QList<QByteArray> segments;
    QByteArray segment;
    bool atEnd = false;
    while (segments.size() < maxSegments && !atEnd) {
        segment.clear();
        bool lineEnded = false;
        while (segment.size() < kSegmentChars) {
            char c = 0;
            if (!file.getChar(&c)) {
                atEnd = true;
                break;
            }
            if (c == '\r') {
                // Carriage returns right before a line feed are one line end
                // with it, as the conversion reads them; a lone one ends a
                // line too.
                char ahead[kLookAhead];
                const qint64 got = file.peek(ahead, kLookAhead);
                qint64 returns = 0;
                while (returns < got && ahead[returns] == '\r') {
                    ++returns;
                }
                if (returns < got && ahead[returns] == '\n') {
                    file.skip(returns + 1);
                }
                c = '\n';
            }
            if (c == '\n') {
                lineEnded = true;
                break;
            }
            segment.append(c);
        }
        if (atEnd && segment.isEmpty() && !lineEnded) {
            break;
        }
        const auto nul = segment.indexOf('\0');
        if (nul >= 0) {
            segment.truncate(nul);
        }
        segments.append(segment);
    }
    return segments;
}

bool ReadPreviewFile(const QString& path, QList<QByteArray>& segments) {
    segments.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray mark = file.peek(2);
    if (mark != QByteArray("\xFF\xFE", 2) && mark != QByteArray("\xFE\xFF", 2)) {
        segments = ReadPreviewSegments(file);
        return true;
    }
    // Shown as UTF-8 as the conversion decodes it, not as the raw bytes
    // ("\xFF\xFE" and a NUL after every letter).
    file.close();
    TextReader reader;
    if (!reader.Open(QFile::encodeName(path).toStdString())) {
        return false;
    }
    QByteArray decoded;
    std::string_view line;
    for (int lines = 0; lines < kPreviewSegments && reader.Next(line); ++lines) {
        decoded.append(line.data(), static_cast<qsizetype>(line.size()));
    }
    QBuffer buffer(&decoded);
    buffer.open(QIODevice::ReadOnly);
    segments = ReadPreviewSegments(buffer);
    return true;
}

QStringList DecodeSegments(const QList<QByteArray>& segments) {
    QStringList texts;
    // Stateful, so that a character cut in two by the segment limit is
    // decoded whole.
    QStringDecoder decoder(QStringDecoder::Utf8);
    for (const QByteArray& segment : segments) {
        texts.append(decoder.decode(segment));
    }
    if (decoder.hasError()) {
        texts.clear();
        for (const QByteArray& segment : segments) {
            texts.append(QString::fromLatin1(segment));
        }
    }
    return texts;
}

}  // namespace torvan
