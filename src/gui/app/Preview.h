// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

namespace torvan {

// How much of an input file the preview shows: the first 10 segments, a
// segment being a line of at most 299 characters (longer lines give several).
inline constexpr int kPreviewSegments = 10;
inline constexpr int kSegmentChars = 299;
// The path in the header is cut after this many characters.
inline constexpr int kPreviewPathChars = 260;

// The text above the file's lines, with CR LF line ends.
QString PreviewHeader(const QString& path);

// Reads up to maxSegments segments from the start of a file as a text-mode
// line reader does: CR LF counts as one line feed, and so does a lone CR (a
// classic Mac line end); a segment ends after a line feed or after
// kSegmentChars characters or at the end of the file.
// Each segment is returned without its line feed and ends at a NUL byte if
// it holds one.
QList<QByteArray> ReadPreviewSegments(QIODevice& file, int maxSegments = kPreviewSegments);

// The preview's segments of the file at path, read as the conversion reads
// it: UTF-16 text (with its byte-order mark) is decoded to UTF-8 first. False
// when the file cannot be opened.
bool ReadPreviewFile(const QString& path, QList<QByteArray>& segments);

// The segments as text: UTF-8 when they are valid UTF-8 (a character split
// between two segments shows at the start of the second), Latin-1 otherwise.
QStringList DecodeSegments(const QList<QByteArray>& segments);

}  // namespace torvan
