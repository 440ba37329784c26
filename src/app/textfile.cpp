// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/textfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace TextFile {
namespace {
// Code points of the octets 0x80..0x9F in Windows-1252; the rest is Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

QString Decode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.append(QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b)));
    }
    return out;
}

QByteArray Encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHigh[i] == u) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.append(mapped);
    }
    return out;
}

std::optional<QString> Read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Decode(f.readAll());
}

namespace {

// Collects lines from pieces of input: CR LF, CR or LF end a line, a line is kept up to
// one character past the limit. A CR at the end of one piece may pair with an LF at the
// start of the next.
template<typename Unit>
class LineSplitter
{
public:
    LineSplitter(int maxLines, int maxLength)
        : m_maxLines(std::max(maxLines, 0))
        , m_keep(std::max(maxLength, 0) + 1)
    {
    }

    bool full() const { return m_lines.size() >= m_maxLines; }

    template<typename Decode>
    void feed(const Unit *p, qsizetype n, Decode decode)
    {
        qsizetype i = 0;
        while (i < n && !full()) {
            if (m_afterCr) {
                m_afterCr = false;
                if (p[i] == Unit(u'\n')) {
                    ++i;
                    continue;
                }
            }
            // The line's characters up to its end, or to the end of this piece.
            qsizetype end = i;
            while (end < n && p[end] != Unit(u'\r') && p[end] != Unit(u'\n'))
                ++end;
            const qsizetype room = m_keep - m_current.size();
            if (room > 0)
                m_current += decode(p + i, std::min(end - i, room));
            m_started = m_started || end > i;
            if (end == n)
                return;
            m_afterCr = p[end] == Unit(u'\r');
            endLine();
            i = end + 1;
        }
    }

    QStringList finish()
    {
        if (m_started && !full())
            endLine();
        return m_lines;
    }

private:
    void endLine()
    {
        m_lines << m_current;
        m_current.clear();
        m_started = false;
    }

    int m_maxLines;
    qsizetype m_keep;
    QStringList m_lines;
    QString m_current;
    bool m_started = false;
    bool m_afterCr = false;
};

} // namespace

std::optional<QStringList> ReadLines(const QString &path, int maxLines, int maxLength)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    LineSplitter<char> lines(maxLines, maxLength);
    const auto decode = [](const char *p, qsizetype n) {
        return Decode(QByteArray::fromRawData(p, n));
    };
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    while (!lines.full()) {
        const qint64 got = f.read(piece.data(), piece.size());
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        lines.feed(piece.constData(), got, decode);
    }
    return lines.finish();
}

QStringList SplitLines(const QString &text, int maxLines, int maxLength)
{
    LineSplitter<QChar> lines(maxLines, maxLength);
    lines.feed(text.constData(), text.size(),
               [](const QChar *p, qsizetype n) { return QString(p, n); });
    return lines.finish();
}

bool WriteAtomic(const QString &path, const QString &text, QString *error)
{
    return WriteAtomicBytes(path, Encode(text), error);
}

bool WriteAtomicBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    if (f.write(bytes) != bytes.size()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    // The write above may only have filled Qt's buffer; a disk that is full (or a size
    // limit) shows up when it is flushed, and committing then would keep a cut-off file.
    if (!f.flush()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool Append(const QString &path, const QString &text, QString *error)
{
    QFile f(path);
    const QByteArray bytes = Encode(text);
    // Flushed before closing: a full disk shows up there, not in the buffered write.
    if (f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(bytes) == bytes.size()
        && f.flush())
        return true;
    if (error)
        *error = f.errorString();
    return false;
}

QString JoinLines(const QStringList &lines)
{
    QString out;
    for (const QString &line : lines)
        out += line + QStringLiteral("\r\n");
    return out;
}

} // namespace TextFile
