// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/Preview.h"

#include <QDir>
#include <QIODevice>
#include <QStringDecoder>

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
